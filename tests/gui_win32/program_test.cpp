// The executable itself: its version information, and a run of it in a folder of its own,
// where it keeps its settings beside itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "window_driver.h"

namespace brisvel {
namespace {

using namespace testing_support;

// The build's path; under wine a Linux path is reached through drive Z:.
std::filesystem::path ProgramPath() {
  const std::string path = BRISVEL_PROGRAM_PATH;
  return std::filesystem::path(path.starts_with('/') ? "Z:" + path : path);
}

std::wstring VersionString(const std::vector<BYTE>& info, const std::wstring& name) {
  wchar_t* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), (L"\\StringFileInfo\\041103A4\\" + name).c_str(), reinterpret_cast<void**>(&value),
                      &length))
    return L"(absent)";
  return std::wstring(value, length > 0 ? length - 1 : 0);
}

TEST(Program, CarriesItsVersionInformation) {
  const std::wstring program = ProgramPath().native();
  const DWORD size = GetFileVersionInfoSizeW(program.c_str(), nullptr);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(1, 0));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(9, 0));
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(1, 0));
  EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(9, 0));
  WORD* language = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&language), &length));
  EXPECT_EQ(language[0], 0x0411) << "Japanese";
  EXPECT_EQ(language[1], 932) << "code page 932";
  struct Field {
    const wchar_t* name;
    const wchar_t* value;
  };
  for (const Field& field : {Field{L"FileVersion", L"0.1.0.9"}, Field{L"ProductVersion", L"1.0.0.0"},
                             Field{L"CompanyName", L""}, Field{L"FileDescription", L""}, Field{L"InternalName", L""},
                             Field{L"LegalCopyright", L""}, Field{L"OriginalFilename", L""}, Field{L"ProductName", L""}}) {
    EXPECT_EQ(VersionString(info, field.name), field.value) << Utf8FromWide(field.name);
  }
}

// GetWindowText reads another process's control only from what the system keeps, not from
// the control; the message asks the control itself.
std::wstring ControlText(HWND control) {
  wchar_t text[64] = L"";
  SendMessageW(control, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
  return text;
}

// The visible top-level windows of a process.
std::vector<HWND> WindowsOf(DWORD process) {
  struct Search {
    DWORD process;
    std::vector<HWND> found;
  } search{process, {}};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto& wanted = *reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == wanted.process && IsWindowVisible(window)) wanted.found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The registration window once it takes input; a box the start shows on this machine (no
// serial ports, work left from a killed run) is answered on the way.
HWND WaitForRegistrationWindow(DWORD process) {
  for (int tries = 0; tries < 1000; ++tries, Sleep(10)) {
    for (HWND window : WindowsOf(process)) {
      if (TextOf(window) == L"リモコンデータ登録" && IsWindowEnabled(window)) return window;
      for (const wchar_t* answer : {L"OK", L"破棄"})
        if (HWND button = ButtonCaptioned(window, answer)) PostMessageW(button, BM_CLICK, 0, 0);
    }
  }
  return nullptr;
}

struct ProgramRun {
  PROCESS_INFORMATION process{};
  HWND window = nullptr;
};

ProgramRun Start(const ScratchDir& dir) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ProgramRun run;
  std::wstring command = L"\"" + (dir / "brisvelremo.exe").native() + L"\"";
  if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.path().c_str(), &startup,
                     &run.process))
    run.window = WaitForRegistrationWindow(run.process.dwProcessId);
  return run;
}

// Closes the window and waits for the program to end; its exit code.
DWORD Close(ProgramRun& run) {
  PostMessageW(run.window, WM_CLOSE, 0, 0);
  DWORD exit_code = STILL_ACTIVE;
  if (WaitForSingleObject(run.process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(run.process.hProcess, 1);
  GetExitCodeProcess(run.process.hProcess, &exit_code);
  CloseHandle(run.process.hThread);
  CloseHandle(run.process.hProcess);
  return exit_code;
}

// A copy run for the first time in a folder of its own shows an empty port box and is aware
// of each monitor's DPI; closed, it writes the port in the box to brisvel.ini beside itself,
// and shows it at the next start.
TEST(Program, KeepsItsSettingsBesideItself) {
  ScratchDir dir;
  std::filesystem::copy_file(ProgramPath(), dir / "brisvelremo.exe");
  ProgramRun first = Start(dir);
  ASSERT_TRUE(first.window) << "no registration window";
  HWND combo = ChildrenOfClass(first.window, L"ComboBox").at(0);
  EXPECT_EQ(ControlText(combo), L"");
  EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(first.window)),
            DPI_AWARENESS_PER_MONITOR_AWARE);
  SendMessageW(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"COM8"));
  EXPECT_EQ(Close(first), 0u);
  wchar_t port[16] = L"";
  GetPrivateProfileStringW(L"SETTING", L"COM", L"", port, 16, (dir / "brisvel.ini").c_str());
  EXPECT_STREQ(port, L"COM8");

  ProgramRun second = Start(dir);
  ASSERT_TRUE(second.window) << "no registration window";
  EXPECT_EQ(ControlText(ChildrenOfClass(second.window, L"ComboBox").at(0)), L"COM8");
  EXPECT_EQ(Close(second), 0u);
}

// The task bar shows the application title: the one window with a button of its own is
// the application window, which owns the registration window, and closing it from the
// button's menu closes the program as the close box does.
TEST(Program, TaskBarButtonIsTheApplicationsAndClosesTheProgram) {
  ScratchDir dir;
  std::filesystem::copy_file(ProgramPath(), dir / "brisvelremo.exe");
  ProgramRun run = Start(dir);
  ASSERT_TRUE(run.window) << "no registration window";
  HWND application = GetWindow(run.window, GW_OWNER);
  ASSERT_TRUE(application) << "the registration window would have a button of its own";
  std::vector<std::wstring> with_buttons;
  for (HWND window : WindowsOf(run.process.dwProcessId))
    if (!GetWindow(window, GW_OWNER) && !(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW))
      with_buttons.push_back(TextOf(window));
  EXPECT_EQ(with_buttons, std::vector<std::wstring>{L"BrisvelRemo"});

  SendMessageW(ChildrenOfClass(run.window, L"ComboBox").at(0), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"COM5"));
  run.window = application;
  EXPECT_EQ(Close(run), 0u);
  wchar_t port[16] = L"";
  GetPrivateProfileStringW(L"SETTING", L"COM", L"", port, 16, (dir / "brisvel.ini").c_str());
  EXPECT_STREQ(port, L"COM5") << "the registration window's close ran";
}

}  // namespace
}  // namespace brisvel
