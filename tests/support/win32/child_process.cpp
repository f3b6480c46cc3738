#include "child_process.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <system_error>
#include <utility>

namespace brisvel::testing_support {
namespace {

[[noreturn]] void ThrowLastError(const char* what) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

std::wstring Wide(std::string_view utf8) {
  const int size = static_cast<int>(utf8.size());
  std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

// Quoted so that the child's CommandLineToArgvW gives the argument back as it was.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  for (auto it = argument.begin();; ++it) {
    size_t backslashes = 0;
    for (; it != argument.end() && *it == L'\\'; ++it) ++backslashes;
    if (it == argument.end()) {
      quoted.append(backslashes * 2, L'\\');
      break;
    }
    quoted.append(*it == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    quoted.push_back(*it);
  }
  return quoted + L"\"";
}

std::filesystem::path ProgramPath(const char* program) {
  const std::filesystem::path given = std::filesystem::path(std::u8string(program, program + std::strlen(program)));
  if (given.is_absolute()) return given;
  std::wstring self(MAX_PATH, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  return (std::filesystem::path(self).parent_path() / given).lexically_normal();
}

// The test's environment with `changes` applied, as CreateProcessW takes it.
std::wstring EnvironmentBlock(const std::vector<std::string>& changes) {
  const auto name_of = [](std::wstring_view variable) { return variable.substr(0, variable.find(L'=', 1)); };
  std::vector<std::wstring> variables;
  for (const std::string& change : changes) variables.push_back(Wide(change));
  wchar_t* own = GetEnvironmentStringsW();
  for (const wchar_t* variable = own; *variable != L'\0'; variable += std::wcslen(variable) + 1) {
    const bool changed = std::any_of(variables.begin(), variables.begin() + static_cast<std::ptrdiff_t>(changes.size()),
                                     [&](const std::wstring& c) { return name_of(c) == name_of(variable); });
    if (!changed) variables.emplace_back(variable);
  }
  FreeEnvironmentStringsW(own);
  std::wstring block;
  for (const auto& variable : variables) block += variable + L'\0';
  return block + L'\0';
}

// A pipe whose child end the child inherits and whose own end stays here.
void MakePipe(HANDLE& own, HANDLE& child, bool child_reads) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!CreatePipe(&read, &write, &inherit, 0)) ThrowLastError("CreatePipe");
  own = child_reads ? write : read;
  child = child_reads ? read : write;
  SetHandleInformation(own, HANDLE_FLAG_INHERIT, 0);
}

}  // namespace

void ChildProcess::Stream::ReadFrom(void* pipe) {
  reader = std::thread([this, pipe] {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      std::lock_guard lock(mutex);
      text.append(buffer, got);
      changed.notify_all();
    }
    CloseHandle(pipe);
    std::lock_guard lock(mutex);
    closed = true;
    changed.notify_all();
  });
}

std::string ChildProcess::Stream::Take() {
  std::unique_lock lock(mutex);
  for (size_t seen = text.size(); !closed; seen = text.size()) {
    changed.wait_for(lock, kPatience, [&] { return closed || text.size() != seen; });
    if (!closed && text.size() == seen) break;
  }
  return std::exchange(text, {});
}

ChildProcess::ChildProcess(const char* program, const std::vector<std::string>& args,
                           const std::vector<std::string>& environment) {
  HANDLE child_in = nullptr, child_out = nullptr, child_err = nullptr, own_in = nullptr, own_out = nullptr,
         own_err = nullptr;
  MakePipe(own_in, child_in, true);
  MakePipe(own_out, child_out, false);
  MakePipe(own_err, child_err, false);
  const std::filesystem::path path = ProgramPath(program);
  std::wstring command_line = Quoted(path.wstring());
  for (const std::string& arg : args) command_line += L" " + Quoted(Wide(arg));
  std::wstring block = EnvironmentBlock(environment);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = child_in;
  startup.hStdOutput = child_out;
  startup.hStdError = child_err;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(path.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                                      CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT, block.data(), nullptr,
                                      &startup, &process);
  const DWORD error = GetLastError();
  for (HANDLE child_end : {child_in, child_out, child_err}) CloseHandle(child_end);
  if (!started) {
    for (HANDLE own_end : {own_in, own_out, own_err}) CloseHandle(own_end);
    SetLastError(error);
    ThrowLastError("CreateProcessW");
  }
  CloseHandle(process.hThread);
  process_ = process.hProcess;
  process_id_ = process.dwProcessId;
  stdin_ = own_in;
  stdout_.ReadFrom(own_out);
  stderr_.ReadFrom(own_err);
}

ChildProcess::~ChildProcess() {
  if (!WaitExit(0ms)) TerminateProcess(process_, 137);
  WaitForSingleObject(process_, INFINITE);
  CloseHandle(process_);
  CloseHandle(stdin_);
  for (Stream* stream : {&stdout_, &stderr_}) stream->reader.join();
}

std::string ChildProcess::Stdout() { return stdout_.Take(); }

std::string ChildProcess::Stderr() { return stderr_.Take(); }

bool ChildProcess::LogShows(std::string_view text) {
  std::unique_lock lock(stderr_.mutex);
  return stderr_.changed.wait_for(lock, kPatience, [&] { return stderr_.text.find(text) != std::string::npos; });
}

std::optional<int> ChildProcess::WaitExit(std::chrono::milliseconds limit) {
  if (WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) return std::nullopt;
  DWORD status = 0;
  GetExitCodeProcess(process_, &status);
  return static_cast<int>(status);
}

// This process joins the child's console just long enough to send the event, and ignores
// Ctrl-C from then on: a console delivers it to every process attached to it, this one too,
// and possibly after it has left.
std::optional<int> ChildProcess::Interrupt() {
  FreeConsole();
  if (AttachConsole(process_id_)) {
    SetConsoleCtrlHandler(nullptr, TRUE);
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    FreeConsole();
  }
  return WaitExit();
}

}  // namespace brisvel::testing_support
