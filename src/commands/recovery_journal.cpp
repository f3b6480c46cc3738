#include "commands/recovery_journal.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <random>
#include <utility>

#include "core/files/file_io.h"

namespace brisvel {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kMagic = "BRISVEL-RECOVERY ";
constexpr std::string_view kVersion = "2";
constexpr std::string_view kPrefix = "recovery-";
constexpr std::string_view kSuffix = ".journal";
constexpr std::string_view kBirthSuffix = ".new";

// One record: "<tag> <seq> <a> <b> <length 1> <length 2> <checksum>\n", the two fields' bytes,
// "\n". A field of length -1 is absent. `seq` numbers the changes since the base, so the
// records after a damaged one tell how many were lost. The checksum tells a damaged or torn
// record from a whole one.
//   B  the base: seq changes it already holds, path of its file, "<size> <time> <hash>" of it
//   S  the base's rows, right after B
//   I  row a inserted (name, data); R  row a removed; M  row a moved to b; N  row a renamed
struct Record {
  char tag = 0;
  long long seq = 0;
  long long a = 0;
  long long b = 0;
  // Views of the list's or the read file's bytes: a base of many megabytes is not copied.
  std::optional<std::string_view> first;
  std::optional<std::string_view> second;
};

long long Length(const std::optional<std::string_view>& field) {
  return field ? static_cast<long long>(field->size()) : -1;
}

// The header line up to its checksum.
std::string Head(const Record& r) {
  std::string head(1, r.tag);
  for (long long n : {r.seq, r.a, r.b, Length(r.first), Length(r.second)}) head += ' ' + std::to_string(n);
  return head;
}

std::uint64_t Checksum(const std::string& head, const Record& r) {
  std::uint64_t sum = ContentHash(head);
  for (const auto* field : {&r.first, &r.second})
    if (*field) sum = sum * 0x100000001b3ull + ContentHash(**field);
  return sum;
}

// The record's first line, checksum included.
std::string HeadLine(const Record& r) {
  const std::string head = Head(r);
  char sum[16];
  const auto end = std::to_chars(sum, sum + sizeof sum, Checksum(head, r), 16).ptr;
  return head + " " + std::string(sum, end) + "\n";
}

std::string Encode(const Record& r) {
  std::string out = HeadLine(r);
  if (r.first) out += *r.first;
  if (r.second) out += *r.second;
  return out += '\n';
}

// Cut: the file ends inside the record, as a write the machine did not finish leaves it.
enum class Fit { Whole, Cut, Bad };
struct Decoded {
  Fit fit;
  Record record;
};

// Reads the record at `pos`, and moves past it when it is whole.
Decoded Decode(std::string_view text, size_t& pos) {
  const size_t eol = text.find('\n', pos);
  if (eol == std::string_view::npos) return {Fit::Cut, {}};
  const std::string_view line = text.substr(pos, eol - pos);
  if (line.size() < 2 || line[1] != ' ') return {Fit::Bad, {}};
  const char* at = line.data() + 2;
  const char* const end = line.data() + line.size();
  long long numbers[5];
  for (long long& number : numbers) {
    const auto [next, error] = std::from_chars(at, end, number);
    if (error != std::errc{} || next == end || *next != ' ') return {Fit::Bad, {}};
    at = next + 1;
  }
  std::uint64_t sum = 0;
  if (const auto [next, error] = std::from_chars(at, end, sum, 16); error != std::errc{} || next != end)
    return {Fit::Bad, {}};
  Record r{line[0], numbers[0], numbers[1], numbers[2], std::nullopt, std::nullopt};
  size_t body = eol + 1;
  for (auto [length, field] : {std::pair{numbers[3], &r.first}, {numbers[4], &r.second}}) {
    if (length < -1) return {Fit::Bad, {}};
    if (length == -1) continue;
    if (static_cast<unsigned long long>(length) > text.size() - body) return {Fit::Cut, {}};
    *field = text.substr(body, static_cast<size_t>(length));
    body += static_cast<size_t>(length);
  }
  if (body >= text.size()) return {Fit::Cut, {}};
  if (text[body] != '\n' || Checksum(Head(r), r) != sum) return {Fit::Bad, {}};
  pos = body + 1;
  return {Fit::Whole, std::move(r)};
}

// Where the next whole record after `from` starts, to read on past damage.
size_t NextWholeRecord(std::string_view text, size_t from) {
  for (size_t eol = text.find('\n', from); eol != std::string_view::npos; eol = text.find('\n', eol + 1)) {
    size_t at = eol + 1;
    if (Decode(text, at).fit == Fit::Whole) return eol + 1;
  }
  return std::string_view::npos;
}

// At most the bytes AppendRows adds.
size_t RowsSize(const std::vector<CodeEntry>& rows) {
  size_t size = 0;
  for (const CodeEntry& row : rows) size += row.name.size() + (row.data ? row.data->size() : 0) + 42;
  return size;
}

void AppendRows(std::string& out, const std::vector<CodeEntry>& rows) {
  for (const CodeEntry& row : rows) {
    out.append(std::to_string(row.name.size())).append(" ");
    out.append(row.data ? std::to_string(row.data->size()) : "-1").append("\n");
    out += row.name;
    if (row.data) out += *row.data;
  }
}

std::optional<std::vector<CodeEntry>> RowsOf(std::string_view bytes) {
  std::vector<CodeEntry> rows;
  while (!bytes.empty()) {
    long long name = 0, data = 0;
    const char* const end = bytes.data() + bytes.size();
    const auto [space, error1] = std::from_chars(bytes.data(), end, name);
    if (error1 != std::errc{} || space == end || *space != ' ') return std::nullopt;
    const auto [eol, error2] = std::from_chars(space + 1, end, data);
    if (error2 != std::errc{} || eol == end || *eol != '\n' || name < 0 || data < -1) return std::nullopt;
    bytes.remove_prefix(static_cast<size_t>(eol + 1 - bytes.data()));
    if (static_cast<unsigned long long>(name) > bytes.size() ||
        static_cast<unsigned long long>(std::max(data, 0ll)) > bytes.size() - static_cast<size_t>(name))
      return std::nullopt;
    CodeEntry& row = rows.emplace_back(CodeEntry{std::string(bytes.substr(0, static_cast<size_t>(name))), std::nullopt});
    bytes.remove_prefix(static_cast<size_t>(name));
    if (data < 0) continue;
    row.data = std::string(bytes.substr(0, static_cast<size_t>(data)));
    bytes.remove_prefix(static_cast<size_t>(data));
  }
  return rows;
}

// The journal holds paths as UTF-8, which on Windows is not what a narrow string means.
std::string PathBytes(const fs::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

fs::path PathOf(std::string_view bytes) { return fs::path(std::u8string(bytes.begin(), bytes.end())); }

std::string IdentityText(const FileIdentity& identity) {
  char hash[16];
  const auto end = std::to_chars(hash, hash + sizeof hash, identity.hash, 16).ptr;
  return std::to_string(identity.size) + " " + std::to_string(identity.modified) + " " + std::string(hash, end);
}

std::optional<FileIdentity> IdentityOf(const std::optional<std::string_view>& text) {
  if (!text) return std::nullopt;
  FileIdentity identity;
  const char* const end = text->data() + text->size();
  const auto size = std::from_chars(text->data(), end, identity.size);
  if (size.ec != std::errc{} || size.ptr == end) return std::nullopt;
  const auto modified = std::from_chars(size.ptr + 1, end, identity.modified);
  if (modified.ec != std::errc{} || modified.ptr == end) return std::nullopt;
  const auto hash = std::from_chars(modified.ptr + 1, end, identity.hash, 16);
  if (hash.ec != std::errc{} || hash.ptr != end) return std::nullopt;
  return identity;
}

std::string Header(const std::optional<fs::path>& base, const std::optional<FileIdentity>& identity, std::size_t changes,
                   const std::vector<CodeEntry>& rows) {
  const auto seq = static_cast<long long>(changes);
  std::optional<std::string> path, identity_text;
  if (base) path = PathBytes(*base);
  if (identity) identity_text = IdentityText(*identity);
  std::string out = std::string(kMagic) + std::string(kVersion) + "\n" + Encode({'B', seq, 0, 0, path, identity_text});
  // The rows are written once, in place; their record's first line, which holds their
  // checksum, goes before them afterwards, into room reserved for it. Fresh memory is
  // what a large list costs most.
  out.reserve(out.size() + RowsSize(rows) + 128);
  const size_t rows_at = out.size();
  AppendRows(out, rows);
  const std::string head_line = HeadLine({'S', seq, 0, 0, std::string_view(out).substr(rows_at), std::nullopt});
  out.insert(rows_at, head_line);
  return out += '\n';
}

UserError Unreadable(const fs::path& journal, const std::string& why) {
  return UserError("復元ファイル " + journal.string() + " を読めません: " + why);
}

// Applies one change record to the rows; false, leaving them alone, when it does not fit them.
bool Replay(const Record& r, std::vector<CodeEntry>& rows) {
  const auto row = static_cast<size_t>(r.a);
  const bool inside = r.a >= 0 && row < rows.size();
  switch (r.tag) {
    case 'I': {
      if (r.a < 0 || row > rows.size() || !r.first) return false;
      CodeEntry entry{std::string(*r.first), std::nullopt};
      if (r.second) entry.data = std::string(*r.second);
      rows.insert(rows.begin() + r.a, std::move(entry));
      return true;
    }
    case 'R':
      if (!inside) return false;
      rows.erase(rows.begin() + r.a);
      return true;
    case 'M': {
      const auto to = static_cast<size_t>(r.b);
      if (!inside || r.b < 0 || to >= rows.size()) return false;
      CodeEntry moved = std::move(rows[row]);
      rows.erase(rows.begin() + r.a);
      rows.insert(rows.begin() + r.b, std::move(moved));
      return true;
    }
    case 'N':
      if (!inside || !r.first) return false;
      rows[row].name = std::string(*r.first);
      return true;
    default:
      return false;
  }
}

// Applies the change records from `pos` in order. Past damage the rows can no longer follow
// the records, which then only count what is lost. A record the file ends inside, with
// nothing whole after it, is the write the run did not finish, and goes quietly.
void ReplayChanges(std::string_view text, size_t pos, RecoveryJournal::Recovered& recovered) {
  bool damaged = false;
  auto last_seq = static_cast<long long>(recovered.changes);
  while (pos < text.size()) {
    const size_t start = pos;
    const Decoded next = Decode(text, pos);
    if (next.fit != Fit::Whole) {
      pos = NextWholeRecord(text, start);
      if (pos == std::string_view::npos) {
        damaged = damaged || next.fit == Fit::Bad;
        break;
      }
      damaged = true;
      continue;
    }
    last_seq = std::max(last_seq, next.record.seq);
    if (!damaged && next.record.seq == static_cast<long long>(recovered.changes) + 1 &&
        Replay(next.record, recovered.entries)) {
      ++recovered.changes;
    } else {
      damaged = true;
    }
  }
  if (damaged)
    recovered.unreadable = static_cast<size_t>(std::max(1ll, last_seq - static_cast<long long>(recovered.changes)));
}

// The folder holds the user's unsaved work: for the user's eyes only, as the settings are.
void CreateStateFolder(const fs::path& folder) {
  if (fs::create_directories(folder)) fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);
}

bool IsJournalName(const std::string& name) { return name.starts_with(kPrefix) && name.ends_with(kSuffix); }

// ".<name>.new", the journal "recovery-<name>.journal" being born.
bool IsBirthName(const std::string& name) { return name.starts_with('.') && name.ends_with(kBirthSuffix); }

// A journal whose run was killed before its birth ended: it holds the base and no change,
// unless it started over after a failed write from a list that had some.
std::optional<fs::path> Unborn(const fs::path& birth) {
  const auto lock = LockedFile::TryLock(birth);
  if (!lock) return std::nullopt;  // being born right now
  bool holds_work = false;
  try {
    holds_work = RecoveryJournal::Read(birth).changes > 0;
  } catch (const JournalOfOtherVersion&) {
    return std::nullopt;
  } catch (const UserError&) {
    // cut short before its base was whole: nothing in it can be restored
  }
  std::error_code error;
  if (!holds_work) {
    fs::remove(birth, error);
    return std::nullopt;
  }
  const std::string name = birth.filename().string();
  const std::string stem = name.substr(1, name.size() - 1 - kBirthSuffix.size());
  const fs::path journal = birth.parent_path() / (std::string(kPrefix) + stem + std::string(kSuffix));
  fs::rename(birth, journal, error);
  return error ? std::nullopt : std::optional(journal);
}

}  // namespace

RecoveryJournal::RecoveryJournal(fs::path folder, const CodeList& list, ReportError report)
    : folder_(std::move(folder)), list_(list), report_(std::move(report)) {}

void RecoveryJournal::startFrom(std::optional<fs::path> file, std::optional<FileIdentity> identity) {
  discard();
  base_ = std::move(file);
  base_identity_ = identity;
  changes_ = 0;
}

void RecoveryJournal::discard() {
  file_.reset();
  if (path_) {
    std::error_code ignored;
    fs::remove(*path_, ignored);
  }
  path_.reset();
  broken_ = false;
}

// The old journal is held until the new one is written, so that no other instance takes it.
void RecoveryJournal::adopt(std::optional<fs::path> journal, LockedFile lock, const Recovered& recovered) {
  discard();
  path_ = std::move(journal);
  file_ = std::move(lock);
  base_ = recovered.base;
  base_identity_ = recovered.base_identity;
  changes_ = recovered.changes;
  broken_ = true;
  begin();
}

void RecoveryJournal::listChanging(const ListChange& change) {
  if (change.kind == ListChange::Kind::Reset || folder_.empty()) return;
  if (!file_ || broken_) begin();
}

void RecoveryJournal::listChanged(const ListChange& change) {
  if (change.kind == ListChange::Kind::Reset || folder_.empty()) return;  // the commands start the journal anew
  const auto seq = static_cast<long long>(++changes_);
  if (!file_ || broken_) return;
  const auto row = static_cast<long long>(change.row);
  Record record{'?', seq, row, 0, std::nullopt, std::nullopt};
  switch (change.kind) {
    case ListChange::Kind::Inserted:
      record.tag = 'I';
      record.first = list_.at(change.row).name;
      record.second = list_.at(change.row).data;
      break;
    case ListChange::Kind::Removed: record.tag = 'R'; break;
    case ListChange::Kind::Moved:
      record.tag = 'M';
      record.b = static_cast<long long>(change.to);
      break;
    case ListChange::Kind::Renamed:
      record.tag = 'N';
      record.first = list_.at(change.row).name;
      break;
    case ListChange::Kind::Reset: return;
  }
  try {
    file_->append(Encode(record));
  } catch (const std::exception& error) {
    broken_ = true;
    failed(error);
  }
}

// Written under a name nobody looks for, locked, then renamed, so another instance never
// takes a journal being born for one left behind. It holds the list as it is now: the base
// of the changes that follow.
void RecoveryJournal::begin() {
  std::optional<LockedFile> born;
  fs::path birth;
  try {
    CreateStateFolder(folder_);
    const auto stamp = std::chrono::system_clock::now().time_since_epoch() / std::chrono::milliseconds(1);
    const std::string name = std::to_string(stamp) + "-" + std::to_string(std::random_device{}());
    birth = folder_ / ("." + name + std::string(kBirthSuffix));
    born = LockedFile::Create(birth);
    born->append(Header(base_, base_identity_, changes_, list_.entries()));
    const fs::path journal = folder_ / (std::string(kPrefix) + name + std::string(kSuffix));
    fs::rename(birth, journal);
    discard();  // the journal this one replaces
    path_ = journal;
    file_ = std::move(born);
    reported_ = false;
  } catch (const std::exception& error) {
    if (born) {
      std::error_code ignored;
      fs::remove(birth, ignored);
    }
    failed(error);
  }
}

void RecoveryJournal::failed(const std::exception& error) {
  if (std::exchange(reported_, true)) return;
  report_(std::string("復元ファイルを書けないため、クラッシュ時の復元はできません。こまめに保存してください。"
                      "次の変更のときにもう一度書いてみます。\n") +
          error.what());
}

std::vector<std::pair<fs::path, LockedFile>> RecoveryJournal::LeftBehind(const fs::path& folder) {
  std::vector<fs::path> names;
  std::error_code error;
  for (const auto& item : fs::directory_iterator(folder, error)) names.push_back(item.path());
  std::vector<std::pair<fs::path, LockedFile>> found;
  for (fs::path journal : names) {
    const std::string name = journal.filename().string();
    if (IsBirthName(name)) {
      auto born = Unborn(journal);
      if (!born) continue;
      journal = *born;
    } else if (!IsJournalName(name)) {
      continue;
    }
    if (auto lock = LockedFile::TryLock(journal)) found.emplace_back(journal, std::move(*lock));
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    std::error_code ignored;
    return fs::last_write_time(a.first, ignored) > fs::last_write_time(b.first, ignored);
  });
  return found;
}

RecoveryJournal::Recovered RecoveryJournal::Read(const fs::path& journal) {
  std::optional<WholeFile> file;
  try {
    file.emplace(journal);
  } catch (const std::system_error& error) {
    throw Unreadable(journal, error.code().message());
  }
  const std::string_view text = file->bytes();
  const size_t eol = text.find('\n');
  if (!text.starts_with(kMagic) || eol == std::string_view::npos) throw Unreadable(journal, "形式が違います");
  const std::string_view version = text.substr(kMagic.size(), eol - kMagic.size());
  if (version != kVersion)
    throw JournalOfOtherVersion("復元ファイル " + journal.string() + " は、このプログラムとは別の版（形式 " +
                                std::string(version) + "）が書いたものです。その版で開けるよう、そのまま残しました");
  size_t pos = eol + 1;
  const Decoded base = Decode(text, pos);
  const Decoded rows = Decode(text, pos);
  std::optional<std::vector<CodeEntry>> entries;
  if (base.fit == Fit::Whole && base.record.tag == 'B' && base.record.seq >= 0 && rows.fit == Fit::Whole &&
      rows.record.tag == 'S' && rows.record.first)
    entries = RowsOf(*rows.record.first);
  if (!entries) throw Unreadable(journal, "始めの記録が壊れています");
  Recovered recovered;
  if (base.record.first) recovered.base = PathOf(*base.record.first);
  recovered.base_identity = IdentityOf(base.record.second);
  recovered.entries = std::move(*entries);
  recovered.changes = static_cast<size_t>(base.record.seq);
  ReplayChanges(text, pos, recovered);
  return recovered;
}

fs::path RecoveryJournal::KeepAside(const fs::path& journal, std::string_view why) {
  fs::path aside = journal;
  aside += why;
  std::error_code ignored;
  fs::rename(journal, aside, ignored);
  return aside;
}

}  // namespace brisvel
