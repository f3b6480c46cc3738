#pragma once
// The registration window: the code list, the port box and the Add, Save and Load buttons.
// Each handler forwards to the command layer; the window only shows what it is asked to.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app_win32/code_list_view.h"
#include "app_win32/code_view_window.h"
#include "app_win32/prompts.h"
#include "app_win32/window.h"
#include "commands/registration.h"
#include "serial/notification_window.h"

namespace brisvel {

struct RegisterFormEnvironment {
  CommandEnvironment commands;
  std::function<std::unique_ptr<serial::NotificationWindow>()> make_notifications;

  // The settings and ports of this machine, notifications through a message-only window.
  static RegisterFormEnvironment ForThisMachine();
};

class FormUserInterface;

class TRegisterForm : public Window, private CodeListObserver {
 public:
  // `owner`: the application window, whose task-bar button stands for this one.
  explicit TRegisterForm(RegisterFormEnvironment environment = RegisterFormEnvironment::ForThisMachine(),
                         HWND owner = nullptr);
  ~TRegisterForm() override;

  Registration& commands() { return *commands_; }
  // Called once the window has closed (the program ends its message loop there).
  std::function<void()> onClosed;
  bool closed() const { return closed_; }

  // The port to open and remember: a listed port by its path, anything typed as it stands.
  std::string portText() const;

  // The list's commands, in its context menu and on their keys. SendCommand sends on the
  // output last used, SendOnOutputCommand + n on output n.
  enum ListCommand : int {
    DeleteCommand = 200, MoveUpCommand, MoveDownCommand, UndoCommand, RedoCommand, CopyCommand, SendCommand,
    ViewCommand, SendOnOutputCommand = 300
  };
  void runListCommand(int command);
  bool windowKey(const MSG& message) override;
  // A note at the row that goes by itself.
  void showRowNote(std::size_t row, const std::string& text);

  HWND DefinedGroupBox = nullptr;
  HWND DataListView = nullptr;
  HWND COMCombo = nullptr;
  HWND AddButton = nullptr;
  HWND SaveButton = nullptr;
  HWND LoadButton = nullptr;
  const FileDialog SaveCSVDialog;
  const FileDialog OpenCSVDialog;

 protected:
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void command(int id, int code, HWND control) override;
  LRESULT notify(NMHDR& header) override;
  void dpiApplied() override;
  void closeRequested() override;

 private:
  void createControls();
  void FormCreate();
  void FormClose();
  void AddButtonClick();
  void SaveButtonClick();
  void LoadButtonClick();

  void drawPortItem(const DRAWITEMSTRUCT& item);
  bool listKey(WPARAM key);
  bool runGuarded(int command);
  void showListMenu(LPARAM where);
  void onSelectedRow(std::optional<std::size_t> (Registration::*run)(std::size_t));
  void sendSelectedRow(int output);
  void openCodeView();
  void showSelectedCode();
  void listChanged(const ListChange& change) override;
  static LRESULT CALLBACK listProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self);

  RegisterFormEnvironment environment_;
  std::unique_ptr<FormUserInterface> ui_;
  std::unique_ptr<Registration> commands_;
  std::unique_ptr<CodeListView> codeList_;  // after the commands, whose list it shows
  std::unique_ptr<CodeViewWindow> codeView_;  // made when first opened
  std::vector<SerialPortInfo> ports_;
  int port_list_width_ = 160;  // the drop-down's, at 96 DPI
  bool closed_ = false;
};

}  // namespace brisvel
