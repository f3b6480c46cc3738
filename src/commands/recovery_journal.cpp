#include "commands/recovery_journal.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <random>
#include <sstream>

#include "core/code_list_file.h"
#include "core/errors.h"
#include "core/file_io.h"

namespace brisvel {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kMagic = "BRISVEL-RECOVERY 1\n";
constexpr std::string_view kPrefix = "recovery-";
constexpr std::string_view kSuffix = ".journal";

// One record: "<tag> <a> <b> <length 1> <length 2> <checksum>\n", the two fields' bytes, "\n".
// A field of length -1 is absent. The checksum lets a torn last record (power lost mid-write)
// be told from a whole one.
struct Record {
  char tag = 0;
  long long a = 0;
  long long b = 0;
  std::optional<std::string> first;
  std::optional<std::string> second;
};

std::uint64_t Checksum(const Record& r) {
  std::uint64_t hash = 14695981039346656037ull;
  auto mix = [&hash](std::string_view bytes) {
    for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  };
  mix(std::string(1, r.tag) + ' ' + std::to_string(r.a) + ' ' + std::to_string(r.b));
  for (const auto* field : {&r.first, &r.second}) {
    mix(*field ? std::to_string(field->value().size()) : "-");
    if (*field) mix(**field);
  }
  return hash;
}

long long Length(const std::optional<std::string>& field) {
  return field ? static_cast<long long>(field->size()) : -1;
}

std::string Encode(const Record& r) {
  std::ostringstream out;
  out << r.tag << ' ' << r.a << ' ' << r.b << ' ' << Length(r.first) << ' ' << Length(r.second) << ' ' << std::hex
      << Checksum(r) << '\n';
  if (r.first) out << *r.first;
  if (r.second) out << *r.second;
  out << '\n';
  return out.str();
}

// Reads the record at `pos`; nothing at the end or at a torn record.
std::optional<Record> Decode(std::string_view text, size_t& pos) {
  const size_t eol = text.find('\n', pos);
  if (eol == std::string_view::npos) return std::nullopt;
  std::istringstream head(std::string(text.substr(pos, eol - pos)));
  Record r;
  long long first = 0, second = 0;
  std::uint64_t sum = 0;
  if (!(head >> r.tag >> r.a >> r.b >> first >> second >> std::hex >> sum)) return std::nullopt;
  size_t at = eol + 1;
  for (auto [length, field] : {std::pair{first, &r.first}, {second, &r.second}}) {
    if (length < 0) continue;
    if (static_cast<unsigned long long>(length) > text.size() - at) return std::nullopt;
    *field = std::string(text.substr(at, static_cast<size_t>(length)));
    at += static_cast<size_t>(length);
  }
  if (at >= text.size() || text[at] != '\n' || Checksum(r) != sum) return std::nullopt;
  pos = at + 1;
  return r;
}

// The journal holds paths as UTF-8, which on Windows is not what a narrow string means.
std::string PathBytes(const fs::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

fs::path PathOf(const std::string& bytes) { return fs::path(std::u8string(bytes.begin(), bytes.end())); }

long long ModifiedTicks(const fs::path& file) {
  return static_cast<long long>(fs::last_write_time(file).time_since_epoch().count());
}

Record BaseRecord(const std::optional<fs::path>& base) {
  if (!base) return {'B', -1, -1, std::nullopt, std::nullopt};
  return {'B', static_cast<long long>(fs::file_size(*base)), ModifiedTicks(*base), PathBytes(*base), std::nullopt};
}

UserError Unreadable(const fs::path& journal, const std::string& why) {
  return UserError("復元ファイル " + journal.string() + " を読めません: " + why);
}

std::vector<CodeEntry> BaseEntries(const fs::path& journal, const Record& base) {
  if (!base.first) return {};
  const fs::path file = PathOf(*base.first);
  std::error_code error;
  if (!fs::exists(file, error) || static_cast<long long>(fs::file_size(file, error)) != base.a ||
      ModifiedTicks(file) != base.b)
    throw Unreadable(journal, "変更の元のファイル " + file.string() + " がないか、その後に変わっています");
  return LoadCodeListFile(file).entries;
}

// Applies one change record to the rows; false when it does not fit them.
bool Replay(const Record& r, std::vector<CodeEntry>& rows) {
  const auto row = static_cast<size_t>(r.a);
  const bool inside = r.a >= 0 && row < rows.size();
  switch (r.tag) {
    case 'I':
      if (r.a < 0 || row > rows.size() || !r.first) return false;
      rows.insert(rows.begin() + r.a, CodeEntry{*r.first, r.second});
      return true;
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
      rows[row].name = *r.first;
      return true;
    default:
      return false;
  }
}

}  // namespace

RecoveryJournal::RecoveryJournal(fs::path folder, const CodeList& list, ReportError report)
    : folder_(std::move(folder)), list_(list), report_(std::move(report)) {}

void RecoveryJournal::startFrom(std::optional<fs::path> file) {
  discard();
  base_ = std::move(file);
}

void RecoveryJournal::discard() {
  file_.reset();
  if (path_) {
    std::error_code ignored;
    fs::remove(*path_, ignored);
  }
  path_.reset();
}

void RecoveryJournal::adopt(const fs::path& journal, LockedFile lock, std::optional<fs::path> base) {
  discard();
  path_ = journal;
  file_ = std::move(lock);
  base_ = std::move(base);
}

// Written under a name nobody looks for, locked, then renamed, so another instance never
// takes a journal being born for one left behind.
std::string RecoveryJournal::header() const { return std::string(kMagic) + Encode(BaseRecord(base_)); }

void RecoveryJournal::append(const std::string& record) {
  if (failed_ || folder_.empty()) return;
  try {
    if (!file_) {
      fs::create_directories(folder_);
      const auto stamp = std::chrono::system_clock::now().time_since_epoch() / std::chrono::milliseconds(1);
      const std::string name = std::to_string(stamp) + "-" + std::to_string(std::random_device{}());
      const fs::path birth = folder_ / ("." + name + ".new");
      file_ = LockedFile::Create(birth);
      file_->append(header());
      path_ = folder_ / (std::string(kPrefix) + name + std::string(kSuffix));
      fs::rename(birth, *path_);
    }
    file_->append(record);
  } catch (const std::exception& error) {
    failed_ = true;
    report_(std::string("復元ファイルを書けないため、クラッシュ時の復元はできません。こまめに保存してください。\n") +
            error.what());
  }
}

void RecoveryJournal::listChanged(const ListChange& change) {
  const auto row = static_cast<long long>(change.row);
  switch (change.kind) {
    case ListChange::Kind::Inserted: {
      const CodeEntry& entry = list_.at(change.row);
      append(Encode({'I', row, 0, entry.name, entry.data}));
      break;
    }
    case ListChange::Kind::Removed: append(Encode({'R', row, 0, std::nullopt, std::nullopt})); break;
    case ListChange::Kind::Moved: append(Encode({'M', row, static_cast<long long>(change.to), std::nullopt, std::nullopt})); break;
    case ListChange::Kind::Renamed: append(Encode({'N', row, 0, list_.at(change.row).name, std::nullopt})); break;
    case ListChange::Kind::Reset: break;  // the commands start the journal anew
  }
}

std::vector<std::pair<fs::path, LockedFile>> RecoveryJournal::LeftBehind(const fs::path& folder) {
  std::vector<std::pair<fs::path, LockedFile>> found;
  std::error_code error;
  for (const auto& item : fs::directory_iterator(folder, error)) {
    const std::string name = item.path().filename().string();
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) continue;
    if (auto lock = LockedFile::TryLock(item.path())) found.emplace_back(item.path(), std::move(*lock));
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
  if (!text.starts_with(kMagic)) throw Unreadable(journal, "形式が違います");
  size_t pos = kMagic.size();
  auto base = Decode(text, pos);
  if (!base || base->tag != 'B') throw Unreadable(journal, "形式が違います");
  Recovered recovered;
  if (base->first) recovered.base = PathOf(*base->first);
  recovered.entries = BaseEntries(journal, *base);
  while (auto record = Decode(text, pos)) {
    if (!Replay(*record, recovered.entries)) throw Unreadable(journal, "記録が壊れています");
    ++recovered.changes;
  }
  return recovered;
}

fs::path RecoveryJournal::KeepAside(const fs::path& journal) {
  fs::path aside = journal;
  aside += ".unreadable";
  std::error_code ignored;
  fs::rename(journal, aside, ignored);
  return aside;
}

}  // namespace brisvel
