#pragma once
// Keeps the list's unsaved changes in a file of the user's state folder, so that a run that
// ends without closing (killed, crashed, power lost) loses no capture. The file names the
// code-list file the changes start from (if any) and then holds one record per change,
// each appended and synced as it happens; a normal close removes it. Each run locks its
// own file, so two instances never mix theirs, and a file nobody holds is one left behind.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commands/code_list.h"
#include "core/locked_file.h"

namespace brisvel {

class RecoveryJournal : public CodeListObserver {
 public:
  using ReportError = std::function<void(const std::string& message)>;

  // An empty folder keeps no journal (a caller that saves every change at once).
  RecoveryJournal(std::filesystem::path folder, const CodeList& list, ReportError report);

  // The list now matches `file` (or the empty list, without one): no journal is needed
  // until the next change, which starts one from there.
  void startFrom(std::optional<std::filesystem::path> file);
  // A normal close: the journal goes.
  void discard();
  // Takes over a journal left behind, whose list has been restored.
  void adopt(const std::filesystem::path& journal, LockedFile lock, std::optional<std::filesystem::path> base);

  void listChanged(const ListChange& change) override;

  // What a journal left behind holds.
  struct Recovered {
    std::optional<std::filesystem::path> base;
    std::vector<CodeEntry> entries;
    std::size_t changes = 0;
  };
  // Journals no running instance holds, newest first, each with its lock.
  static std::vector<std::pair<std::filesystem::path, LockedFile>> LeftBehind(const std::filesystem::path& folder);
  // Throws UserError when the journal, or the file it starts from, cannot be read as written.
  static Recovered Read(const std::filesystem::path& journal);
  // Renames an unreadable journal so it is neither offered again nor lost; returns the new name.
  static std::filesystem::path KeepAside(const std::filesystem::path& journal);

 private:
  void append(const std::string& record);
  std::string header() const;

  std::filesystem::path folder_;
  const CodeList& list_;
  ReportError report_;
  std::optional<std::filesystem::path> base_;
  std::optional<std::filesystem::path> path_;
  std::optional<LockedFile> file_;
  bool failed_ = false;  // reported once; the work goes on without a journal
};

}  // namespace brisvel
