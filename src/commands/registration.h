#pragma once
// The registration window's commands, apart from any toolkit: start-up and close (the
// settings file and the port list), Add (capture one code), Save, Load and renaming a row.
// A front end builds its controls, forwards each event to one of these and shows what the
// UserInterface is asked to show.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commands/code_list.h"
#include "commands/user_interface.h"

namespace brisvel {

// Where the commands find the settings file and the machine's serial ports; tests point
// them at temporary files and fixed lists.
struct CommandEnvironment {
  std::filesystem::path settings_path;
  std::function<std::vector<std::string>()> list_ports;
  int capture_timeout_ms = 30000;  // tests shorten the wait for a silent unit

  // The settings file where this copy keeps it (SettingsFilePath) and the ports the system knows.
  static CommandEnvironment ForThisMachine();
};

// What the port box starts with.
struct PortChoices {
  std::vector<std::string> ports;  // in the order found
  std::string text;                // the port remembered at the last close (UTF-8)
};

class Registration {
 public:
  Registration(CommandEnvironment environment, UserInterface& ui);

  CodeList& list() { return list_; }
  const CodeList& list() const { return list_; }

  // Reads the settings, then lists the ports; says so when there are none.
  PortChoices Start();
  // Writes the port text to the settings. A settings file that cannot be written is
  // reported, and the close goes ahead.
  void Close(const std::string& port_text);

  // Asks for a name, captures a code from the unit on `port_text` and appends it.
  void Add(const std::string& port_text);
  void Save();
  void Load();
  // The name as shown in the list after an in-place edit; false when it was refused.
  bool Rename(std::size_t row, const std::string& utf8_name);

 private:
  std::optional<std::filesystem::path> chooseCodeListFile(FileDialogKind kind);

  CommandEnvironment environment_;
  UserInterface& ui_;
  CodeList list_;
  std::optional<std::filesystem::path> last_saved_;
  std::optional<std::filesystem::path> last_opened_;
};

// The message for text with characters outside Shift-JIS.
std::string NotShiftJisMessage(const std::string& utf8_text);

}  // namespace brisvel
