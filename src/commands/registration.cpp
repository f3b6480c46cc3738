#include "commands/registration.h"

#include "core/capture_exchange.h"
#include "core/code_list_file.h"
#include "core/errors.h"
#include "core/port_list.h"
#include "core/profile.h"
#include "core/program_location.h"
#include "core/sjis.h"

namespace brisvel {
namespace {

constexpr char kSection[] = "SETTING";
constexpr char kPortKey[] = "COM";
constexpr char kNameCaption[] = "リモコンデータ登録";
constexpr char kNamePrompt[] = "データ名を入力";
constexpr int kMaxNameBytes = 255;

// Port names are ASCII in practice; a path Shift-JIS cannot hold is kept as UTF-8 bytes
// rather than lost.
std::string ToProfileBytes(const std::string& utf8) { return sjis::FromUtf8(utf8).value_or(utf8); }

}  // namespace

CommandEnvironment CommandEnvironment::ForThisMachine() {
  return {SettingsFilePath(), [] { return ListSerialPorts(); }};
}

Registration::Registration(CommandEnvironment environment, UserInterface& ui)
    : environment_(std::move(environment)), ui_(ui) {}

PortChoices Registration::Start() {
  PortChoices choices;
  choices.text = sjis::ToUtf8(profile::ReadFileString(environment_.settings_path, kSection, kPortKey, ""));
  choices.ports = environment_.list_ports();
  if (choices.ports.empty()) ui_.showError("Serial Port is not found.");
  return choices;
}

void Registration::Close(const std::string& port_text) {
  try {
    profile::WriteFileString(environment_.settings_path, kSection, kPortKey, ToProfileBytes(port_text));
  } catch (const UserError&) {
    // Only the port text is lost; a settings file that cannot be written must not keep
    // the user from quitting.
    ui_.showDefaultError(environment_.settings_path.string() + " に書き込めません");
  }
}

void Registration::Add(const std::string& port_text) {
  if (port_text.empty()) return;
  auto name = ui_.askText(kNameCaption, kNamePrompt, kMaxNameBytes);
  if (!name || name->empty()) return;
  auto name_bytes = sjis::FromUtf8(*name);
  if (!name_bytes) {
    ui_.showError(NotShiftJisMessage(*name));
    return;
  }
  // The dialog owns the port: leaving this scope closes it, whatever happened.
  std::unique_ptr<ReceiveDialog> dialog = ui_.createReceiveDialog();
  serial::Trs232c& port = dialog->port();
  port.portname = port_text;
  port.rxtimeout = environment_.capture_timeout_ms;
  try {
    RequestCapture(port);
    if (!dialog->waitForPacket()) throw CaptureError("cancel");
    list_.append({std::move(*name_bytes), ReadCapturedCode(port)});
  } catch (const std::exception& error) {
    // A failed step, or the monitor thread the platform would not start: shown once.
    ui_.showError(error.what());
  }
}

std::optional<std::filesystem::path> Registration::chooseCodeListFile(FileDialogKind kind) {
  // Each dialog starts in remocon under the current folder the first time, then offers
  // the file last chosen in it.
  auto& last = kind == FileDialogKind::Save ? last_saved_ : last_opened_;
  const std::filesystem::path folder = last ? last->parent_path() : std::filesystem::current_path() / "remocon";
  auto chosen = ui_.chooseFile(kind, folder, last);
  if (!chosen) return std::nullopt;
  last = std::filesystem::absolute(*chosen);
  return last;
}

void Registration::Save() {
  auto path = chooseCodeListFile(FileDialogKind::Save);
  if (!path) return;
  try {
    SaveCodeListFile(*path, list_.entries());
    list_.markSaved();
  } catch (const UserError& error) {
    ui_.showDefaultError(error.what());
  }
}

void Registration::Load() {
  auto path = chooseCodeListFile(FileDialogKind::Open);
  if (!path) return;
  try {
    LoadedCodeList loaded = LoadCodeListFile(*path);
    list_.replaceAll(std::move(loaded.entries));
    if (loaded.error) ui_.showDefaultError(loaded.error->what());
  } catch (const UserError& error) {
    ui_.showDefaultError(error.what());
  }
}

bool Registration::Rename(std::size_t row, const std::string& utf8_name) {
  // An edit that leaves the text as shown leaves the bytes as they were, even bytes that
  // are not Shift-JIS or that have a second code for the same character.
  if (sjis::ToUtf8(list_.at(row).name) == utf8_name) return true;
  auto bytes = sjis::FromUtf8(utf8_name);
  if (!bytes) {
    ui_.showError(NotShiftJisMessage(utf8_name));
    return false;
  }
  list_.rename(row, std::move(*bytes));
  return true;
}

std::string NotShiftJisMessage(const std::string& utf8_text) {
  return "「" + utf8_text + "」には Shift-JIS で表せない文字があるため使えません";
}

}  // namespace brisvel
