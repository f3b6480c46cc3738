// This process's handles from the system's handle table, the way Process Explorer lists them:
// Windows has no documented call for it. Only named file objects count; naming a synchronous
// pipe with a read pending could block, and a test holds none.
#include <windows.h>
#include <winternl.h>

#include <string>
#include <vector>

#include "open_files.h"

namespace brisvel::testing_support {
namespace {

// winternl.h knows only the handle table with 16-bit process ids; the class is a plain number.
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

struct HandleEntry {
  PVOID object;
  ULONG_PTR process_id;
  ULONG_PTR handle;
  ULONG granted_access;
  USHORT creator_back_trace_index;
  USHORT object_type_index;
  ULONG handle_attributes;
  ULONG reserved;
};

struct HandleTable {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry handles[1];
};

std::string Utf8(const UNICODE_STRING& text) {
  const int wide_length = static_cast<int>(text.Length / sizeof(wchar_t));
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.Buffer, wide_length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.Buffer, wide_length, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

// The type's or the object's name, by the information class's UNICODE_STRING at the start.
std::string ObjectText(HANDLE handle, OBJECT_INFORMATION_CLASS what) {
  std::vector<unsigned char> buffer(4096);
  ULONG length = 0;
  if (NtQueryObject(handle, what, buffer.data(), static_cast<ULONG>(buffer.size()), &length) != 0) return {};
  return Utf8(*reinterpret_cast<const UNICODE_STRING*>(buffer.data()));
}

NTSTATUS QuerySystemInformation(ULONG what, std::vector<unsigned char>& buffer) {
  using Query = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  ULONG length = 0;
  return query(what, buffer.data(), static_cast<ULONG>(buffer.size()), &length);
}

}  // namespace

std::multiset<std::string> OpenFiles() {
  std::vector<unsigned char> buffer(1 << 16);
  NTSTATUS status;
  while ((status = QuerySystemInformation(kSystemExtendedHandleInformation, buffer)) == kInfoLengthMismatch)
    buffer.resize(buffer.size() * 2);
  std::multiset<std::string> open;
  if (status != 0) return open;
  const auto& table = *reinterpret_cast<const HandleTable*>(buffer.data());
  for (ULONG_PTR i = 0; i < table.count; ++i) {
    const HandleEntry& entry = table.handles[i];
    if (entry.process_id != GetCurrentProcessId()) continue;
    const auto handle = reinterpret_cast<HANDLE>(entry.handle);
    if (ObjectText(handle, ObjectTypeInformation) != "File") continue;
    if (std::string name = ObjectText(handle, ObjectNameInformation); !name.empty()) open.insert(name);
  }
  return open;
}

}  // namespace brisvel::testing_support
