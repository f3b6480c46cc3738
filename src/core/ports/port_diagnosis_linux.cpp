#include "core/ports/port_diagnosis_linux.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <string_view>
#include <system_error>

#include "core/files/file_io.h"
#include "core/ports/port_list_linux.h"
#include "core/formats/text_lines.h"

namespace brisvel {
namespace {

namespace fs = std::filesystem;
using PathKind = PortFacts::PathKind;

constexpr char kModemManager[] = "ModemManager";

PathKind PathKindOf(const std::string& device, std::string& link_target) {
  struct stat link {};
  if (::lstat(device.c_str(), &link) != 0) return PathKind::Missing;
  struct stat target {};
  if (::stat(device.c_str(), &target) != 0) {
    if (!S_ISLNK(link.st_mode)) return PathKind::Missing;
    std::error_code ec;
    link_target = (fs::path(device).parent_path() / fs::read_symlink(device, ec)).lexically_normal().string();
    return PathKind::DanglingLink;
  }
  if (S_ISCHR(target.st_mode)) return PathKind::Device;
  if (S_ISDIR(target.st_mode)) return PathKind::Directory;
  if (S_ISREG(target.st_mode)) return PathKind::File;
  return PathKind::Other;
}

// A device is the same wherever its node is (a by-id link, /dev/ttyUSB0); anything else is
// the same file.
bool SameFile(const struct stat& a, const struct stat& b) {
  if (S_ISCHR(a.st_mode) && S_ISCHR(b.st_mode)) return a.st_rdev == b.st_rdev;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

struct Account {
  std::string name;
  gid_t group = 0;
};

Account AccountOf(uid_t uid) {
  passwd entry{};
  passwd* found = nullptr;
  std::string buffer(16384, '\0');
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
    return {std::to_string(uid), static_cast<gid_t>(-1)};
  return {found->pw_name, found->pw_gid};
}

struct GroupEntry {
  std::string name;
  std::vector<std::string> members;
};

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  for (size_t start = 0;;) {
    const size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// name:password:gid:member,member
GroupEntry GroupEntryOf(const fs::path& group_file, gid_t gid) {
  GroupEntry found{std::to_string(gid), {}};
  try {
    const WholeFile file(group_file);
    ForEachLine(file.bytes(), [&](std::string_view line, std::string_view) {
      const auto fields = Split(line, ':');
      if (fields.size() < 4 || fields[2] != std::to_string(gid)) return;
      found = {fields[0], fields[3].empty() ? std::vector<std::string>{} : Split(fields[3], ',')};
    });
  } catch (const std::system_error&) {
  }
  return found;
}

// A group added to the user counts only from the next login: this process has the groups
// of the login it was started from.
bool InThisLoginsGroups(gid_t gid) {
  if (getegid() == gid) return true;
  std::vector<gid_t> groups(static_cast<size_t>(std::max(getgroups(0, nullptr), 0)));
  groups.resize(static_cast<size_t>(std::max(getgroups(static_cast<int>(groups.size()), groups.data()), 0)));
  return std::ranges::find(groups, gid) != groups.end();
}

std::optional<PortFacts::Access> AccessOf(const std::string& device, const SystemRoots& roots) {
  struct stat node {};
  if (::stat(device.c_str(), &node) != 0) return std::nullopt;
  const Account user = AccountOf(geteuid());
  const GroupEntry group = GroupEntryOf(roots.etc_group, node.st_gid);
  PortFacts::Access access;
  access.owner = AccountOf(node.st_uid).name;
  access.group = group.name;
  access.mode = node.st_mode & 07777u;
  access.user = user.name;
  access.listed = user.group == node.st_gid || std::ranges::find(group.members, user.name) != group.members.end();
  access.active = InThisLoginsGroups(node.st_gid);
  return access;
}

bool IsNumber(const std::string& text) {
  return !text.empty() && std::ranges::all_of(text, [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// Every process but this one, by the numbered folders of /proc.
void ForEachOtherProcess(const SystemRoots& roots, const std::function<void(const PortProcess&, const fs::path&)>& visit) {
  const std::string self = std::to_string(getpid());
  ForEachEntry(roots.proc, [&](const fs::path& folder) {
    const std::string id = folder.filename().string();
    if (!IsNumber(id) || id == self) return;
    visit({std::stoi(id), FirstLineOf(folder / "comm")}, folder);
  });
}

std::vector<PortProcess> HoldersOf(const std::string& device, const SystemRoots& roots) {
  struct stat wanted {};
  if (::stat(device.c_str(), &wanted) != 0) return {};
  std::vector<PortProcess> holders;
  ForEachOtherProcess(roots, [&](const PortProcess& process, const fs::path& folder) {
    bool holds = false;
    ForEachEntry(folder / "fd", [&](const fs::path& fd) {
      struct stat open {};
      holds = holds || (::stat(fd.c_str(), &open) == 0 && SameFile(open, wanted));
    });
    if (holds) holders.push_back(process);
  });
  std::ranges::sort(holders, {}, &PortProcess::id);
  return holders;
}

std::optional<PortProcess> RunningProgram(const SystemRoots& roots, const std::string& program) {
  std::optional<PortProcess> found;
  ForEachOtherProcess(roots, [&](const PortProcess& process, const fs::path&) {
    if (process.program == program && (!found || process.id < found->id)) found = process;
  });
  return found;
}

// ModemManager leaves alone a device udev marks so; by the adapter's ids where it has
// them, so the rule still holds when the adapter comes back under another name.
std::string ModemManagerRule(const std::string& device, const SystemRoots& roots) {
  const std::string tty = KernelNameOf(device);
  if (const auto usb = UsbIdentityOf(roots, tty))
    return "ATTRS{idVendor}==\"" + usb->vendor_id + "\", ATTRS{idProduct}==\"" + usb->product_id +
           "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"";
  return "KERNEL==\"" + tty + "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"";
}

}  // namespace

PortFacts GatherPortFacts(const PortFailure& failure, const SystemRoots& roots) {
  PortFacts facts;
  // A transfer failed on a port that opened: the path was fine, and the kind says the rest.
  if (failure.step == PortStep::Transfer) return facts;
  facts.path = PathKindOf(failure.device, facts.link_target);
  switch (failure.reason.kind) {
    case serial::PortErrorKind::Permission: facts.access = AccessOf(failure.device, roots); break;
    case serial::PortErrorKind::Busy:
      facts.holders = HoldersOf(failure.device, roots);
      facts.modem_manager = RunningProgram(roots, kModemManager);
      facts.modem_manager_rule = ModemManagerRule(failure.device, roots);
      facts.terminal_programs = {"minicom", "screen", "picocom"};
      break;
    default: break;
  }
  return facts;
}

PortFacts GatherPortFacts(const PortFailure& failure) { return GatherPortFacts(failure, SystemRoots{}); }

}  // namespace brisvel
