#include <windows.h>

#include "core/ports/port_diagnosis.h"

namespace brisvel {
namespace {

using PathKind = PortFacts::PathKind;

// Where the name leads, read as the port's own open reads it. Asking for no access reaches a
// folder (with backup semantics) and a plain file whatever their permissions; a port that
// another program holds still refuses, and that refusal says something is there.
PathKind PathKindOf(const std::string& device) {
  const HANDLE handle = CreateFileA(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    switch (GetLastError()) {
      case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME: case ERROR_BAD_NETPATH:
        return PathKind::Missing;
      default:
        return PathKind::Device;
    }
  }
  const DWORD type = GetFileType(handle);
  BY_HANDLE_FILE_INFORMATION info{};
  const bool folder = GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  CloseHandle(handle);
  switch (type) {
    case FILE_TYPE_CHAR: return PathKind::Device;
    case FILE_TYPE_DISK: return folder ? PathKind::Directory : PathKind::File;
    default: return PathKind::Other;
  }
}

}  // namespace

// Windows does not tell a user program without privileges who holds a port, and access to a
// COM port is not a matter of groups: what the name leads to is all there is to find out.
PortFacts GatherPortFacts(const PortFailure& failure) {
  PortFacts facts;
  // A transfer failed on a port that opened: the path was fine, and the kind says the rest.
  if (failure.step == PortStep::Transfer) return facts;
  facts.path = PathKindOf(failure.device);
  if (failure.reason.kind == serial::PortErrorKind::Busy) facts.terminal_programs = {"Tera Term", "PuTTY"};
  return facts;
}

}  // namespace brisvel
