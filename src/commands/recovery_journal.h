#pragma once
// Keeps the list's unsaved changes in a file of the user's state folder, so that a run that
// ends without closing (killed, crashed, power lost) loses no capture. The file starts with
// the code-list file the changes start from (its path and identity) and the rows as they were
// then, so a restore never depends on that file staying as it was; then it holds one
// numbered record per change, each appended and synced as it happens; a normal close removes
// it. Each run locks its own file, so two instances never mix theirs, and a file nobody
// holds is one left behind.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/code_list.h"
#include "core/errors.h"
#include "core/files/file_identity.h"
#include "core/files/locked_file.h"

namespace brisvel {

// A journal another version of the program wrote: left where it is, for that version.
class JournalOfOtherVersion : public UserError {
 public:
  using UserError::UserError;
};

class RecoveryJournal : public CodeListObserver {
 public:
  using ReportError = std::function<void(const std::string& message)>;

  // An empty folder keeps no journal (a caller that saves every change at once).
  RecoveryJournal(std::filesystem::path folder, const CodeList& list, ReportError report);

  // What a journal left behind holds.
  struct Recovered {
    std::optional<std::filesystem::path> base;
    std::optional<FileIdentity> base_identity;  // the base as the lost run read or wrote it
    std::vector<CodeEntry> entries;
    std::size_t changes = 0;     // changes the entries hold that no file has
    std::size_t unreadable = 0;  // changes lost to damage before the journal's end
  };

  // The list now matches `file` (or the empty list, without one): no journal is needed
  // until the next change, which starts one from there.
  void startFrom(std::optional<std::filesystem::path> file, std::optional<FileIdentity> identity);
  // A normal close: the journal goes.
  void discard();
  // Takes over a journal left behind, whose rows the list now holds: they start a new
  // journal, so no new record follows damage or a torn record. The old one is removed then;
  // no path leaves it (one kept aside) where it is.
  void adopt(std::optional<std::filesystem::path> journal, LockedFile lock, const Recovered& recovered);

  void listChanging(const ListChange& change) override;
  void listChanged(const ListChange& change) override;

  // Journals no running instance holds, newest first, each with its lock. A journal being
  // born that its run never finished (killed before the rename) is removed when it holds no
  // change, and otherwise becomes a journal left behind.
  static std::vector<std::pair<std::filesystem::path, LockedFile>> LeftBehind(const std::filesystem::path& folder);
  // Throws JournalOfOtherVersion, or UserError when the journal cannot be read at all.
  static Recovered Read(const std::filesystem::path& journal);
  // Renames a journal with the suffix `why` so it is neither offered again nor lost; returns
  // the new name.
  static std::filesystem::path KeepAside(const std::filesystem::path& journal, std::string_view why);

 private:
  void begin();
  void failed(const std::exception& error);

  std::filesystem::path folder_;
  const CodeList& list_;
  ReportError report_;
  std::optional<std::filesystem::path> base_;
  std::optional<FileIdentity> base_identity_;
  std::size_t changes_ = 0;  // since the base
  std::optional<std::filesystem::path> path_;
  std::optional<LockedFile> file_;
  // The journal misses a change: the next change starts a new one from the list as it is.
  bool broken_ = false;
  bool reported_ = false;  // the failure was shown; said again only after a success
};

}  // namespace brisvel
