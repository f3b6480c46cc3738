#include "thread_count.h"

#include <windows.h>
#include <process.h>
#include <tlhelp32.h>

namespace brisvel::testing_support {

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
// threads that begin there leaves out the main thread, the system's thread pool, wine's
// helpers (such as the one behind a pending WaitCommEvent) and GoogleTest's thread watchers,
// which come and go on their own time.
size_t UnnamedThreadCount() {
  HMODULE runtime = moduleAt(reinterpret_cast<const void*>(&_beginthreadex));
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  size_t n = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId() && moduleAt(startAddressOf(entry.th32ThreadID)) == runtime)
      ++n;
  }
  CloseHandle(snapshot);
  return n;
}

}  // namespace brisvel::testing_support
