// Replacing a file as a whole, seen through the two files the tool writes: code lists and
// its settings.
#include <grp.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <string_view>

#include "core/files/atomic_file.h"
#include "core/formats/code_list_file.h"
#include "core/formats/profile.h"
#include "file_bytes.h"

namespace brisvel {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

class ReplaceFileTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = testing::TempDir() + "replace-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& item : fs::directory_iterator(dir_)) names.insert(item.path().filename().string());
    return names;
  }

  fs::path dir_;
};

// The uid and gid of "nobody": no file here belongs to it, so permission bits apply in full.
constexpr uid_t kNobody = 65534;

enum ChildExit { kThrew = 0, kSaved = 1, kOtherError = 2, kFolderNotWritable = 3, kStillPrivileged = 4 };

struct ChildResult {
  int exit_code = -1;
  std::string message;
};

// Runs `save_control` and then `save` in a child that permission bits bind (they do not bind
// root, which is who CI runs as). The control save shows the folder itself is writable, the one
// case where replacing a file needs nothing of the file. The message of what `save` threw comes
// back through a pipe.
ChildResult SaveAsUnprivilegedUser(const std::function<void()>& save_control, const std::function<void()>& save) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return {};
  const pid_t child = ::fork();
  if (child < 0) return {};
  if (child == 0) {
    ::close(pipe_fds[0]);
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
      ::_exit(kStillPrivileged);
    }
    try {
      save_control();
    } catch (...) {
      ::_exit(kFolderNotWritable);
    }
    try {
      save();
    } catch (const UserError& error) {
      const std::string message = error.what();
      const bool sent = ::write(pipe_fds[1], message.data(), message.size()) == static_cast<ssize_t>(message.size());
      ::_exit(sent ? kThrew : kOtherError);
    } catch (...) {
      ::_exit(kOtherError);
    }
    ::_exit(kSaved);
  }
  ::close(pipe_fds[1]);
  ChildResult result;
  char buffer[4096];
  for (ssize_t got; (got = ::read(pipe_fds[0], buffer, sizeof buffer)) != 0;) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) break;
    result.message.append(buffer, static_cast<size_t>(got));
  }
  ::close(pipe_fds[0]);
  int status = 0;
  if (::waitpid(child, &status, 0) == child && WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  return result;
}

struct ProtectedFile {
  const char* file_name;
  std::string old_bytes;
  std::function<void(const fs::path&)> save;
};

TEST_F(ReplaceFileTest, WriteProtectedFileIsNeitherReplacedNorLittered) {
  const ProtectedFile cases[] = {
      {"codes.csv", "\"old\",\"0123\"\r\n",
       [](const fs::path& path) { SaveCodeListFile(path, std::vector<CodeEntry>{{"new", "4567"}}); }},
      {"brisvel.ini", "[SETTING]\r\nCOM=/dev/ttyS0\r\n",
       [](const fs::path& path) { profile::WriteFileString(path, "SETTING", "COM", "/dev/ttyUSB1"); }},
  };
  ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
  for (const ProtectedFile& c : cases) {
    SCOPED_TRACE(c.file_name);
    const fs::path path = dir_ / c.file_name;
    const fs::path control = dir_ / (std::string("control-") + c.file_name);
    WriteFileBytes(path, c.old_bytes);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);

    const ChildResult result = SaveAsUnprivilegedUser([&] { c.save(control); }, [&] { c.save(path); });

    EXPECT_EQ(result.exit_code, kThrew) << "1: replaced, 2: wrong error, 3: folder not writable, 4: still root";
    EXPECT_EQ(result.message, "ファイル \"" + path.string() + "\". Permission denied を作成できません");
    EXPECT_EQ(ReadFileBytes(path), c.old_bytes);
    EXPECT_EQ(Listing(), (std::set<std::string>{path.filename().string(), control.filename().string()}));
    fs::remove(path);
    fs::remove(control);
  }
}

// The temporary file lives in the target's folder, so its name must fit wherever the target's does.
TEST_F(ReplaceFileTest, LongestFileNamesSave) {
  const long name_max = ::pathconf(dir_.c_str(), _PC_NAME_MAX);
  ASSERT_GT(name_max, 4);
  std::string kanji;
  for (int i = 0; i < 80; ++i) kanji += "漢";  // 3 bytes in UTF-8
  const std::string names[] = {std::string(static_cast<size_t>(name_max) - 4, 'n') + ".csv", kanji + ".csv"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name.size());
    EXPECT_NO_THROW(SaveCodeListFile(dir_ / name, std::vector<CodeEntry>{{"a", "00"}}));
    EXPECT_EQ(ReadFileBytes(dir_ / name), "\"a\",\"00\"\r\n");
    EXPECT_EQ(Listing(), std::set<std::string>{name});
    fs::remove(dir_ / name);
  }
}

struct NonRegularTarget {
  const char* label;
  std::function<int(const fs::path&)> make;  // returns 0 or errno
  std::string reason;
  bool settings_too;  // the settings are read before they are written, and a FIFO waits for a writer
};

int MakeSocket(const fs::path& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.string().copy(address.sun_path, sizeof address.sun_path - 1);
  const int made = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::close(fd);
  return made == 0 ? 0 : errno;
}

// Renaming over any of these would leave a plain file in its place, and a link counts as what
// it names. The device is a node of /dev/null's numbers in the scratch folder, so that a fault
// here never costs the machine its /dev/null; making one needs root, as CI runs.
TEST_F(ReplaceFileTest, TargetThatIsNotARegularFileIsRefusedNotReplaced) {
  const auto fifo = [](const fs::path& path) { return ::mkfifo(path.c_str(), 0666) == 0 ? 0 : errno; };
  const NonRegularTarget targets[] = {
      {"folder", [](const fs::path& path) { return fs::create_directory(path) ? 0 : EEXIST; }, std::strerror(EISDIR), true},
      {"fifo", fifo, "Not a regular file", false},
      {"socket", MakeSocket, "Not a regular file", true},
      {"link_to_fifo",
       [&](const fs::path& path) {
         fs::create_symlink("fifo-named", path);
         return fifo(path.parent_path() / "fifo-named");
       },
       "Not a regular file", false},
      {"device", [](const fs::path& path) { return ::mknod(path.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0 ? 0 : errno; },
       "Not a regular file", true},
  };
  for (const NonRegularTarget& target : targets) {
    SCOPED_TRACE(target.label);
    const fs::path path = dir_ / target.label;
    if (const int error = target.make(path); error != 0) {
      if (error == EPERM && std::string_view(target.label) == "device") GTEST_SKIP() << "no device nodes without root";
      FAIL() << std::strerror(error);
    }
    const fs::file_type type = fs::status(path).type();
    const std::set<std::string> listing = Listing();
    try {
      SaveCodeListFile(path, std::vector<CodeEntry>{{"a", "00"}});
      ADD_FAILURE() << "saved";
    } catch (const UserError& error) {
      EXPECT_EQ(error.what(), "ファイル \"" + path.string() + "\". " + target.reason + " を作成できません");
    }
    if (target.settings_too) {
      EXPECT_THROW(profile::WriteFileString(path, "SETTING", "COM", "/dev/ttyS0"), UserError);
    }
    EXPECT_THROW(CheckReplaceable(path), UserError);
    EXPECT_EQ(fs::status(path).type(), type);
    EXPECT_EQ(Listing(), listing);
  }
}

}  // namespace
}  // namespace brisvel
