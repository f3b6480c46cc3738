#include "line_pty.h"

#include <winsock2.h>
#include <windows.h>
#include <tlhelp32.h>
#include <process.h>

#include "line_protocol.h"
#include "win32/line_server_connection.h"

namespace brisvel::serial::testing {

namespace protocol = line_protocol;

struct Pty::Impl {
  LineServerConnection server;
};

Pty::Pty() : impl_(std::make_unique<Impl>()) { path = LineServerConnection::portName(impl_->server.request("PTY")); }

Pty::~Pty() = default;

void Pty::send(const Bytes& bytes) const { impl_->server.request("SEND " + protocol::ToHex(bytes)); }

Bytes Pty::receive(std::size_t count, std::chrono::milliseconds limit) const {
  std::string reply = impl_->server.request("RECV " + std::to_string(count) + " " + std::to_string(limit.count()));
  return reply.starts_with("ERR") ? Bytes{} : protocol::FromHex(reply);
}

void Pty::closeMaster() { impl_->server.request("HANGUP"); }

TtyState Pty::tty() const { return protocol::TtyFromText(impl_->server.request("TTY")); }

void Pty::presetTty(bool twoStopBits, unsigned char startChar) {
  impl_->server.request("PRESET " + std::to_string(twoStopBits) + " " + std::to_string(startChar));
}

namespace {

HMODULE moduleAt(const void* address) {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCWSTR>(address), &module);
  return module;
}

// Where the thread began, as the system reports it (ThreadQuerySetWin32StartAddress).
const void* startAddressOf(DWORD threadId) {
  using Query = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
  static auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread")));
  const void* start = nullptr;
  HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId);
  if (thread && query) query(thread, 9, &start, sizeof start, nullptr);
  if (thread) CloseHandle(thread);
  return start;
}

}  // namespace

// std::thread starts its threads through the C runtime's _beginthreadex, so counting the
// threads that begin there counts the program's own and leaves out the main thread, the
// system's thread pool, wine's helpers (such as the one behind a pending WaitCommEvent) and
// GoogleTest's thread watchers, which come and go on their own time.
int threadCount() {
  HMODULE runtime = moduleAt(reinterpret_cast<const void*>(&_beginthreadex));
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int n = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId() && moduleAt(startAddressOf(entry.th32ThreadID)) == runtime)
      ++n;
  }
  CloseHandle(snapshot);
  return n;
}

bool underWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

}  // namespace brisvel::serial::testing
