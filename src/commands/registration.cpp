#include "commands/registration.h"

#include <algorithm>

#include "commands/capture_flow.h"
#include "commands/send_flow.h"
#include "core/formats/capture_exchange.h"
#include "core/formats/code_list_file.h"
#include "core/errors.h"
#include "core/ports/port_diagnosis.h"
#include "core/formats/profile.h"
#include "core/places/program_location.h"
#include "core/formats/sjis.h"
#include "core/places/user_folders.h"

namespace brisvel {
namespace {

constexpr char kSection[] = "SETTING";
constexpr char kPortKey[] = "COM";
constexpr char kOutputKey[] = "OUTPUT";
constexpr char kNamePrompt[] = "データ名を入力";
constexpr int kMaxNameBytes = 255;
constexpr char kCancelled[] = "cancel";

// Port names are ASCII in practice; a path Shift-JIS cannot hold is kept as UTF-8 bytes
// rather than lost.
std::string ToProfileBytes(const std::string& utf8) { return sjis::FromUtf8(utf8).value_or(utf8); }

// The output remembered in the settings; anything but an output's number is the first.
int OutputOfSetting(const std::string& text) {
  for (int output = kFirstOutput; output <= kLastOutput; ++output)
    if (text == std::to_string(output)) return output;
  return kFirstOutput;
}

std::string RowText(const CodeList& list, std::size_t row) {
  return "行 " + std::to_string(row + 1) + "「" + sjis::ToUtf8(list.at(row).name) + "」";
}

// The restore question, and what the restore cannot give back as it was.
std::string RestoreQuestion(const RecoveryJournal::Recovered& recovered,
                            const std::optional<std::filesystem::path>& damaged) {
  std::string notes;
  if (recovered.base && recovered.base_identity && !recovered.base_identity->heldBy(*recovered.base))
    notes += "\n元のファイル " + recovered.base->string() +
             " は、その後ほかで変更されたか、なくなっています。復元するのは前回の作業の内容です。";
  if (damaged)
    notes += "\n復元ファイルの途中が壊れていたため、そのあとの変更 " + std::to_string(recovered.unreadable) +
             " 件は読めません。復元ファイルは " + damaged->string() + " として残しました。";
  return "前回、保存せずに終わった作業が残っています（" + std::to_string(recovered.entries.size()) +
         " 件のデータ、未保存の変更 " + std::to_string(recovered.changes) + " 件）。" + notes +
         (notes.empty() ? "" : "\n") + "復元しますか？";
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
  // The file's problem, if any, was told with the port's key.
  last_output_ = OutputOfSetting(profile::ReadFileString(environment_.settings_path, kSection, kOutputKey, "").value);
  auto listed = environment_.list_ports();
  if (!listed) ui_.showError(kNoSerialPortMessage);
  choices.ports = std::move(listed).value_or(std::vector<SerialPortInfo>{});
  const auto remembered = std::ranges::find(choices.ports, choices.text, &SerialPortInfo::path);
  if (remembered != choices.ports.end()) choices.selected = static_cast<std::size_t>(remembered - choices.ports.begin());
  offerRecovery();
  return choices;
}

// Newest first; once one is restored the others wait for a later start. Journals that cannot
// be offered are named together once.
void Registration::offerRecovery() {
  std::string kept;
  auto keep = [&kept](const std::string& note) { kept += (kept.empty() ? "" : "\n") + note; };
  for (auto& [journal, lock] : RecoveryJournal::LeftBehind(environment_.recovery_folder)) {
    RecoveryJournal::Recovered recovered;
    try {
      recovered = RecoveryJournal::Read(journal);
    } catch (const JournalOfOtherVersion& error) {
      keep(error.what());
      continue;
    } catch (const UserError& error) {
      keep(std::string(error.what()) + "\n" + RecoveryJournal::KeepAside(journal, ".unreadable").string() + " として残しました");
      continue;
    }
    if (offerToRestore(journal, std::move(lock), std::move(recovered))) break;
  }
  if (!kept.empty()) ui_.showDefaultError(kept);
}

// True when the user took the work back. A journal damaged before its end is kept aside
// whatever the answer: it may hold changes no one can read back now.
bool Registration::offerToRestore(const std::filesystem::path& journal, LockedFile lock,
                                  RecoveryJournal::Recovered recovered) {
  std::optional<std::filesystem::path> damaged;
  if (recovered.unreadable > 0) damaged = RecoveryJournal::KeepAside(journal, ".damaged");
  if (!ui_.askRestore(RestoreQuestion(recovered, damaged))) {
    std::error_code ignored;
    if (!damaged) std::filesystem::remove(journal, ignored);
    return false;
  }
  current_file_ = recovered.base;
  file_identity_ = recovered.base_identity;
  list_.restore(std::move(recovered.entries), recovered.changes);
  journal_.adopt(damaged ? std::nullopt : std::optional(journal), std::move(lock), recovered);
  changed();
  return true;
}

bool Registration::Close(const std::string& port_text) {
  if (!keepOrSaveChanges()) return false;
  try {
    profile::WriteFileString(environment_.settings_path, kSection, kPortKey, ToProfileBytes(port_text));
    if (output_used_) profile::WriteFileString(environment_.settings_path, kSection, kOutputKey, std::to_string(last_output_));
  } catch (const UserError&) {
    // Only the port text and the output are lost; a settings file that cannot be written
    // must not keep the user from quitting.
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

AddOutcome Registration::Add(const std::string& port_text) {
  using Ended = AddOutcome::Ended;
  if (port_text.empty()) return {Ended::NotStarted, std::nullopt};
  auto name = ui_.askText(kWindowCaption, kNamePrompt, kMaxNameBytes);
  if (!name || name->empty()) return {Ended::NotStarted, std::nullopt};
  auto name_bytes = sjis::FromUtf8(*name);
  if (!name_bytes) {
    ui_.showError(NotShiftJisMessage(*name));
    return {Ended::NotStarted, std::nullopt};
  }
  const std::string device = DevicePathOf(port_text);
  const auto fault = exchangeWithUnit(device, [&](ReceiveDialog& dialog) {
    const unit::Code code = CaptureCode(dialog, device, std::chrono::milliseconds(environment_.capture_timeout_ms));
    // The code joins the list while the dialog is still up, so that its row comes at once.
    list_.append({std::move(*name_bytes), HexText(code)});
    changed();
  });
  if (!fault) return {Ended::Added, std::nullopt};
  return {fault->cancelled ? Ended::Cancelled : Ended::Failed, fault->step};
}

SendOutcome Registration::Send(std::size_t row, int output, const std::string& port_text) {
  using Ended = SendOutcome::Ended;
  if (port_text.empty() || row >= list_.size() || output < kFirstOutput || output > kLastOutput)
    return {Ended::NotStarted, std::nullopt};
  const std::optional<unit::Code> code = CodeOfHexText(list_.at(row).data.value_or(""));
  if (!code) {
    ui_.showError(RowText(list_, row) + " には送信できるコードがありません（16 進数 480 桁ではありません）");
    return {Ended::NotStarted, std::nullopt};
  }
  const std::string device = DevicePathOf(port_text);
  const auto fault = exchangeWithUnit(device, [&](ReceiveDialog& dialog) {
    SendCode(dialog, device, output, *code, std::chrono::milliseconds(environment_.answer_timeout_ms));
  });
  if (fault) return {Ended::Failed, fault->step};
  last_output_ = output;
  output_used_ = true;
  ui_.showSent(row, "送信しました（出力 " + std::to_string(output) + "）");
  return {Ended::Sent, std::nullopt};
}

std::optional<Registration::ExchangeFault> Registration::exchangeWithUnit(
    const std::string& device, const std::function<void(ReceiveDialog&)>& exchange) {
  try {
    // Made in the try block, the dialog is gone, after the port, before an error shows.
    const std::unique_ptr<ReceiveDialog> dialog = ui_.createReceiveDialog();
    exchange(*dialog);
    return std::nullopt;
  } catch (const ExchangeCancelled&) {
    ui_.showError(kCancelled);
    return ExchangeFault{true, std::nullopt};
  } catch (const unit::ExchangeError& error) {
    ui_.showError(exchangeErrorText(error, device));
    return ExchangeFault{false, error.failure()};
  } catch (const std::exception& error) {
    // The monitor thread the platform would not start: shown once, as a failed step is.
    ui_.showError(error.what());
    return ExchangeFault{false, std::nullopt};
  }
}

// The step's own text stays the first line; what the port's failure means goes below it.
std::string Registration::exchangeErrorText(const unit::ExchangeError& error, const std::string& device) const {
  if (!error.portError()) return error.what();
  const PortStep step = error.failure() == unit::Failure::Open ? PortStep::Open : PortStep::Transfer;
  const auto present = environment_.list_ports().value_or(std::vector<SerialPortInfo>{});
  const std::string explanation = ExplainPortFailure({device, step, *error.portError()}, present);
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
  if (!path || !mayReplace(*path)) return false;
  try {
    SaveCodeListFile(*path, list_.entries());
  } catch (const UserError& error) {
    ui_.showDefaultError(error.what());
    return false;
  }
  list_.markSaved();
  current_file_ = *path;
  file_identity_ = FileIdentity::Of(*path);
  journal_.startFrom(current_file_, file_identity_);
  changed();
  return true;
}

// Another program may have written the file since this window last read or wrote it; its
// work is not replaced unasked. Any other file is the user's own choice.
bool Registration::mayReplace(const std::filesystem::path& file) {
  std::error_code error;
  if (!current_file_ || !file_identity_ || !std::filesystem::equivalent(file, *current_file_, error) ||
      file_identity_->heldBy(file))
    return true;
  return ui_.askOverwrite(file.string() + " は、読み込み（または保存）の後にほかのプログラムで変更されています。上書きしますか？");
}

void Registration::Load() {
  if (!keepOrSaveChanges()) return;
  auto path = chooseCodeListFile(FileDialogKind::Open);
  if (!path) return;
  try {
    LoadedCodeList loaded = LoadCodeListFile(*path);
    list_.replaceAll(std::move(loaded.entries));
    current_file_ = *path;
    file_identity_ = FileIdentity::Of(*path);
    journal_.startFrom(current_file_, file_identity_);
    changed();
    if (loaded.error) ui_.showDefaultError(loaded.error->what());
    if (loaded.unread) {
      ui_.showDefaultError("NUL 文字があるため、" + std::to_string(loaded.unread->first) + " 行目から先は読み込めませんでした");
    }
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

}  // namespace brisvel
