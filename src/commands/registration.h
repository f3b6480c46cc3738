#pragma once
// The registration window's commands, apart from any toolkit: start-up and close (the
// settings file, the port list, recovery after a crash), Add (capture one code), Save, Load,
// and putting the list right (rename, delete, move, undo, redo, copy). A front end builds
// its controls, forwards each event to one of these and shows what the UserInterface is
// asked to show.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commands/code_list.h"
#include "commands/messages.h"
#include "commands/recovery_journal.h"
#include "commands/user_interface.h"
#include "core/ports/port_list.h"
#include "unit/line.h"

namespace brisvel {

// Where the commands find the settings file, the machine's serial ports and the folder for
// recovery files; tests point them at temporary files and fixed lists.
struct CommandEnvironment {
  std::filesystem::path settings_path;
  std::function<std::optional<std::vector<SerialPortInfo>>()> list_ports;  // as ListSerialPorts
  int capture_timeout_ms = 30000;  // tests shorten the wait for a silent unit
  std::filesystem::path recovery_folder;
  int answer_timeout_ms = 5000;  // for each of the unit's answers while sending

  // The settings file where this copy keeps it (SettingsFilePath), the ports the system
  // knows, the user's state folder.
  static CommandEnvironment ForThisMachine();
};

// What the port box starts with. A port is opened and remembered by its path; the box shows
// its name and, in the drop-down, its label (PortLabel).
struct PortChoices {
  std::vector<SerialPortInfo> ports;  // in the order found
  std::string text;                   // the port remembered at the last close (UTF-8)
  std::optional<std::size_t> selected;  // the port whose path that is, if it is listed
};

// How Add ended; the user has been told already.
struct AddOutcome {
  enum class Ended { Added, NotStarted, Cancelled, Failed };  // NotStarted: no port, no name, a name refused
  Ended ended;
  std::optional<unit::Failure> failed_step;  // the step of the exchange that failed, if one did
};

// How Send ended; the user has been told already.
struct SendOutcome {
  enum class Ended { Sent, NotStarted, Failed };  // NotStarted: no port, a row without a code
  Ended ended;
  std::optional<unit::Failure> failed_step;
};

// The unit's infrared outputs.
inline constexpr int kFirstOutput = 1;
inline constexpr int kLastOutput = unit::kOutputCount;

class Registration {
 public:
  Registration(CommandEnvironment environment, UserInterface& ui);

  CodeList& list() { return list_; }
  const CodeList& list() const { return list_; }

  // Reads the settings, lists the ports (saying so when there are none) and offers to
  // restore the work of a run that did not close normally.
  PortChoices Start();
  // Asks before unsaved changes are dropped, then writes the port text to the settings, and
  // the output last used once a code went out; false when the user chose to stay. A
  // settings file that cannot be written is reported, and the close goes ahead.
  bool Close(const std::string& port_text);

  // Asks for a name, captures a code from the unit on `port_text` (a path, or a bare device
  // name such as ttyUSB0) and appends it.
  AddOutcome Add(const std::string& port_text);
  // True when the file was written.
  bool Save();
  void Load();

  // Sends the row's code from `output` (1 to 4) of the unit on `port_text`, which is then
  // the output last used; success is confirmed with UserInterface::showSent.
  SendOutcome Send(std::size_t row, int output, const std::string& port_text);
  // The output last used, kept in the settings file; 1 before any.
  int lastOutput() const { return last_output_; }

  // The name as shown in the list after an in-place edit; false when it was refused.
  bool Rename(std::size_t row, const std::string& utf8_name);
  // Each returns the row to select afterwards, if any.
  std::optional<std::size_t> Delete(std::size_t row);
  std::optional<std::size_t> MoveUp(std::size_t row);
  std::optional<std::size_t> MoveDown(std::size_t row);
  std::optional<std::size_t> Undo();
  std::optional<std::size_t> Redo();
  // Puts the row's data text on the clipboard for other programs.
  void CopyData(std::size_t row);

  // The window's caption: the file's name, marked while the list has unsaved changes.
  std::string caption() const;
  // For a row whose code another row also holds: which one, to show beside it.
  std::optional<std::string> repeatedCodeNote(std::size_t row) const;

 private:
  std::optional<std::filesystem::path> chooseCodeListFile(FileDialogKind kind);
  bool keepOrSaveChanges();
  bool mayReplace(const std::filesystem::path& file);
  void offerRecovery();
  bool offerToRestore(const std::filesystem::path& journal, LockedFile lock, RecoveryJournal::Recovered recovered);
  void changed();
  // Runs an exchange with the unit in a receive dialog; when it does not complete, the user
  // has been told, and the result says how it ended.
  struct ExchangeFault {
    bool cancelled = false;
    std::optional<unit::Failure> step;
  };
  std::optional<ExchangeFault> exchangeWithUnit(const std::string& device,
                                                const std::function<void(ReceiveDialog&)>& exchange);
  std::string exchangeErrorText(const unit::ExchangeError& error, const std::string& device) const;

  CommandEnvironment environment_;
  UserInterface& ui_;
  CodeList list_;
  RecoveryJournal journal_;
  std::optional<std::filesystem::path> current_file_;
  std::optional<FileIdentity> file_identity_;  // the current file as last read or written
  std::optional<std::filesystem::path> last_saved_;
  std::optional<std::filesystem::path> last_opened_;
  std::string caption_;
  int last_output_ = kFirstOutput;
  bool output_used_ = false;  // a code went out in this run: the settings get its output
};

}  // namespace brisvel
