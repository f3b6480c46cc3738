#include "commands/registration.h"

#include <algorithm>

#include "core/code_list_file.h"
#include "core/errors.h"
#include "core/port_diagnosis.h"
#include "core/profile.h"
#include "core/program_location.h"
#include "core/sjis.h"
#include "core/user_folders.h"

namespace brisvel {
namespace {

constexpr char kSection[] = "SETTING";
constexpr char kPortKey[] = "COM";
constexpr char kWindowCaption[] = "リモコンデータ登録";
constexpr char kNamePrompt[] = "データ名を入力";
constexpr int kMaxNameBytes = 255;

// Port names are ASCII in practice; a path Shift-JIS cannot hold is kept as UTF-8 bytes
// rather than lost.
std::string ToProfileBytes(const std::string& utf8) { return sjis::FromUtf8(utf8).value_or(utf8); }

// A wait that ended without what it waited for fails its step: a read that got nothing in
// time, or whose line went away.
void ExpectReceived(ReceiveResult result, const serial::Trs232c& port) {
  switch (result) {
    case ReceiveResult::Received: return;
    case ReceiveResult::Cancelled: throw CaptureError("cancel");
    case ReceiveResult::TimedOut: throw NothingReceived();
    case ReceiveResult::LineLost: throw LineLost(port);
  }
}

}  // namespace

CommandEnvironment CommandEnvironment::ForThisMachine() {
  return {SettingsFilePath(), [] { return ListSerialPorts(); }, 30000, UserStateFolder()};
}

Registration::Registration(CommandEnvironment environment, UserInterface& ui)
    : environment_(std::move(environment)),
      ui_(ui),
      journal_(environment_.recovery_folder, list_, [this](const std::string& message) { ui_.showError(message); }),
      caption_(kWindowCaption) {
  list_.addObserver(&journal_);
}

PortChoices Registration::Start() {
  PortChoices choices;
  const profile::FileValue setting = profile::ReadFileString(environment_.settings_path, kSection, kPortKey, "");
  if (!setting.problem.empty()) ui_.showDefaultError(setting.problem);
  choices.text = sjis::ToUtf8(setting.value);
  auto listed = environment_.list_ports();
  if (!listed) ui_.showError("Serial Port is not found.");
  choices.ports = std::move(listed).value_or(std::vector<SerialPortInfo>{});
  const auto remembered = std::ranges::find(choices.ports, choices.text, &SerialPortInfo::path);
  if (remembered != choices.ports.end()) choices.selected = static_cast<std::size_t>(remembered - choices.ports.begin());
  offerRecovery();
  return choices;
}

// Newest first; once one is restored the others wait for a later start.
void Registration::offerRecovery() {
  for (auto& [journal, lock] : RecoveryJournal::LeftBehind(environment_.recovery_folder)) {
    RecoveryJournal::Recovered recovered;
    try {
      recovered = RecoveryJournal::Read(journal);
    } catch (const UserError& error) {
      const auto aside = RecoveryJournal::KeepAside(journal);
      ui_.showDefaultError(std::string(error.what()) + "\n" + aside.string() + " として残しました");
      continue;
    }
    const std::string question = "前回、保存せずに終わった作業が残っています（" + std::to_string(recovered.entries.size()) +
                                 " 件のデータ、未保存の変更 " + std::to_string(recovered.changes) + " 件）。復元しますか？";
    if (!ui_.askRestore(question)) {
      std::error_code ignored;
      std::filesystem::remove(journal, ignored);
      continue;
    }
    list_.restore(std::move(recovered.entries), recovered.changes);
    journal_.adopt(journal, std::move(lock), recovered.base);
    current_file_ = recovered.base;
    changed();
    return;
  }
}

bool Registration::Close(const std::string& port_text) {
  if (!keepOrSaveChanges()) return false;
  try {
    profile::WriteFileString(environment_.settings_path, kSection, kPortKey, ToProfileBytes(port_text));
  } catch (const UserError&) {
    // Only the port text is lost; a settings file that cannot be written must not keep
    // the user from quitting.
    ui_.showDefaultError(environment_.settings_path.string() + " に書き込めません");
  }
  journal_.discard();
  return true;
}

// True when the changes are saved or the user lets them go.
bool Registration::keepOrSaveChanges() {
  if (!list_.modified()) return true;
  const std::string question =
      "保存されていない変更が " + std::to_string(list_.unsavedSteps()) + " 件あります。保存しますか？";
  switch (ui_.askUnsavedChanges(question)) {
    case UnsavedAnswer::Save: return Save();
    case UnsavedAnswer::Discard: return true;
    case UnsavedAnswer::Cancel: return false;
  }
  return false;
}

void Registration::Add(const std::string& port_text) {
  if (port_text.empty()) return;
  auto name = ui_.askText(kWindowCaption, kNamePrompt, kMaxNameBytes);
  if (!name || name->empty()) return;
  auto name_bytes = sjis::FromUtf8(*name);
  if (!name_bytes) {
    ui_.showError(NotShiftJisMessage(*name));
    return;
  }
  // The dialog owns the port: leaving this scope closes it, whatever happened.
  std::unique_ptr<ReceiveDialog> dialog = ui_.createReceiveDialog();
  serial::Trs232c& port = dialog->port();
  port.portname = DevicePathOf(port_text);
  port.rxtimeout = environment_.capture_timeout_ms;
  try {
    StartCapture(port);
    // The answer comes at once or not at all; waiting for it in the event loop keeps the
    // window painting through the time-out of a silent unit.
    ExpectReceived(dialog->waitForReply(std::chrono::milliseconds(environment_.capture_timeout_ms)), port);
    ReadAcknowledgement(port);
    ExpectReceived(dialog->waitForPacket(), port);
    list_.append({std::move(*name_bytes), ReadCapturedCode(port)});
    changed();
  } catch (const CaptureError& error) {
    ui_.showError(captureErrorText(error));
  } catch (const std::exception& error) {
    // The monitor thread the platform would not start: shown once, as a failed step is.
    ui_.showError(error.what());
  }
}

// The step's own text stays the first line; what the port's failure means goes below it.
std::string Registration::captureErrorText(const CaptureError& error) const {
  if (!error.portFailure()) return error.what();
  const auto present = environment_.list_ports().value_or(std::vector<SerialPortInfo>{});
  const std::string explanation = ExplainPortFailure(*error.portFailure(), present);
  return explanation.empty() ? std::string(error.what()) : error.what() + ("\n" + explanation);
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

bool Registration::Save() {
  auto path = chooseCodeListFile(FileDialogKind::Save);
  if (!path) return false;
  try {
    SaveCodeListFile(*path, list_.entries());
  } catch (const UserError& error) {
    ui_.showDefaultError(error.what());
    return false;
  }
  list_.markSaved();
  current_file_ = *path;
  journal_.startFrom(current_file_);
  changed();
  return true;
}

void Registration::Load() {
  if (!keepOrSaveChanges()) return;
  auto path = chooseCodeListFile(FileDialogKind::Open);
  if (!path) return;
  try {
    LoadedCodeList loaded = LoadCodeListFile(*path);
    list_.replaceAll(std::move(loaded.entries));
    current_file_ = *path;
    journal_.startFrom(current_file_);
    changed();
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
  changed();
  return true;
}

std::optional<std::size_t> Registration::Delete(std::size_t row) {
  if (row >= list_.size()) return std::nullopt;
  list_.remove(row);
  changed();
  if (list_.size() == 0) return std::nullopt;
  return std::min(row, list_.size() - 1);
}

std::optional<std::size_t> Registration::MoveUp(std::size_t row) {
  if (row == 0 || row >= list_.size()) return row < list_.size() ? std::optional(row) : std::nullopt;
  list_.move(row, row - 1);
  changed();
  return row - 1;
}

std::optional<std::size_t> Registration::MoveDown(std::size_t row) {
  if (row + 1 >= list_.size()) return row < list_.size() ? std::optional(row) : std::nullopt;
  list_.move(row, row + 1);
  changed();
  return row + 1;
}

std::optional<std::size_t> Registration::Undo() {
  auto row = list_.undo();
  changed();
  return row;
}

std::optional<std::size_t> Registration::Redo() {
  auto row = list_.redo();
  changed();
  return row;
}

void Registration::CopyData(std::size_t row) {
  if (row >= list_.size() || !list_.at(row).data) return;
  ui_.copyToClipboard(sjis::ToUtf8(*list_.at(row).data));
}

std::string Registration::caption() const {
  std::string caption = kWindowCaption;
  if (current_file_) caption = current_file_->filename().string() + " - " + caption;
  return list_.modified() ? "*" + caption : caption;
}

std::optional<std::string> Registration::repeatedCodeNote(std::size_t row) const {
  auto other = list_.sameCodeAs(row);
  if (!other) return std::nullopt;
  return "行 " + std::to_string(*other + 1) + "「" + sjis::ToUtf8(list_.at(*other).name) + "」と同じコードです";
}

void Registration::changed() {
  std::string now = caption();
  if (now == caption_) return;
  caption_ = std::move(now);
  ui_.showCaption(caption_);
}

std::string NotShiftJisMessage(const std::string& utf8_text) {
  return "「" + utf8_text + "」には Shift-JIS で表せない文字があるため使えません";
}

}  // namespace brisvel
