#include "core/ports/port_diagnosis.h"

#include <algorithm>
#include <cstdio>

namespace brisvel {
namespace {

using Kind = serial::PortErrorKind;
using PathKind = PortFacts::PathKind;

constexpr char kModemManager[] = "ModemManager";

std::string PresentPorts(const std::vector<SerialPortInfo>& present) {
  if (present.empty()) return "シリアルポートが一つも見つかりません。アダプターがつながっているか確かめてください。";
  std::string text = "いまあるシリアルポート:";
  for (const auto& port : present) text += "\n  " + PortLabel(port);
  return text;
}

std::string Named(const PortProcess& process) {
  return process.program + "（プロセス " + std::to_string(process.id) + "）";
}

std::string Shown(const PortFailure& failure) { return ShownDeviceName(failure.device); }

std::string Listed(const std::vector<std::string>& items) {
  std::string text;
  for (const auto& item : items) text += (&item == &items.front() ? "" : "、") + item;
  return text;
}

// "（minicom、screen など）", or nothing without names.
std::string Examples(const std::vector<std::string>& names) {
  return names.empty() ? "" : "（" + Listed(names) + " など）";
}

std::string PermissionBits(unsigned mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", mode & 07777u);
  return text;
}

std::string SystemReason(const PortFailure& failure) {
  return failure.reason.systemText.empty() ? "" : Shown(failure) + ": " + failure.reason.systemText;
}

std::string NotThere(const PortFailure& failure, const PortFacts& facts, const std::vector<SerialPortInfo>& present) {
  std::string cause;
  switch (facts.path) {
    case PathKind::Missing: cause = Shown(failure) + " というデバイスはありません。"; break;
    case PathKind::DanglingLink:
      cause = Shown(failure) + " はリンクですが、その先の " + facts.link_target + " がありません。アダプターが抜かれているようです。";
      break;
    default: cause = Shown(failure) + " の先に装置がありません。"; break;
  }
  return cause + "\n" + PresentPorts(present);
}

std::string NotASerialPort(const PortFailure& failure, const PortFacts& facts,
                           const std::vector<SerialPortInfo>& present) {
  const char* what = facts.path == PathKind::Directory ? " はフォルダーで、" : facts.path == PathKind::File ? " は普通のファイルで、" : " は";
  return Shown(failure) + what + "シリアルポートではありません。\n" + PresentPorts(present);
}

std::string NoPermission(const PortFailure& failure, const PortFacts& facts) {
  const std::string refused = Shown(failure) + " を開く権限がありません。";
  if (!facts.access) return refused + SystemReason(failure);
  const PortFacts::Access& access = *facts.access;
  if ((access.mode & 060u) != 060u)
    return refused + "このデバイスを読み書きできるのは所有者 " + access.owner + " だけです（権限 " + PermissionBits(access.mode) +
           "）。管理者に、グループ " + access.group + " にも読み書きを許すよう頼んでください。";
  if (!access.listed)
    return refused + "このデバイスはグループ " + access.group + " のもので、ユーザー " + access.user +
           " はこのグループに入っていません。\n次のコマンドで加えてから、ログアウトしてログインし直してください:\nsudo usermod -aG " +
           access.group + " \"$USER\"";
  if (!access.active)
    return refused + "ユーザー " + access.user + " はグループ " + access.group +
           " に加えられていますが、このログインにはまだ効いていません。ログアウトしてログインし直してください。";
  return refused + SystemReason(failure);
}

std::string ModemManagerCure(const PortFacts& facts) {
  return "\nModemManager は差し込まれた USB シリアルアダプターを数秒かけて調べます。少し待ってから、もう一度試してください。"
         "\n毎回こうなるなら、次の 1 行を /etc/udev/rules.d/99-brisvel.rules に書き、アダプターを差し直してください:\n" +
         facts.modem_manager_rule;
}

std::string InUse(const PortFailure& failure, const PortFacts& facts) {
  const std::string taken = Shown(failure) + " はほかのプログラムが使っています";
  if (facts.holders.empty()) {
    if (facts.modem_manager)
      return taken + "。" + Named(*facts.modem_manager) + "が動いているので、アダプターを調べているところかもしれません。" +
             ModemManagerCure(facts);
    return taken + "。端末プログラム" + Examples(facts.terminal_programs) +
           "や、もう一つの BrisvelRemo を閉じてください。";
  }
  std::vector<std::string> holders;
  for (const auto& holder : facts.holders) holders.push_back(Named(holder));
  const std::string text = taken + ": " + Listed(holders) + "。";
  const bool modem_manager = std::ranges::any_of(facts.holders, [](const PortProcess& p) { return p.program == kModemManager; });
  return text + (modem_manager ? ModemManagerCure(facts) : "\nそのプログラムを閉じてください。");
}

std::string LineLost(const PortFailure& failure, const std::vector<SerialPortInfo>& present) {
  return Shown(failure) + " との接続が切れました。USB アダプターが抜かれたか、ケーブルが外れたようです。つなぎ直してください。\n" +
         PresentPorts(present);
}

}  // namespace

std::string DescribePortFailure(const PortFailure& failure, const PortFacts& facts,
                                const std::vector<SerialPortInfo>& present) {
  if (failure.step == PortStep::Transfer) {
    switch (failure.reason.kind) {
      case Kind::HungUp:
      case Kind::NotFound: return LineLost(failure, present);
      case Kind::None:
      case Kind::Timeout: return {};
      default: return SystemReason(failure);
    }
  }
  // Refused or taken: the path led somewhere real, and who may or does use it is the story.
  if (failure.reason.kind == Kind::Permission) return NoPermission(failure, facts);
  if (failure.reason.kind == Kind::Busy) return InUse(failure, facts);
  switch (facts.path) {
    case PathKind::Missing:
    case PathKind::DanglingLink: return NotThere(failure, facts, present);
    case PathKind::Directory:
    case PathKind::File:
    case PathKind::Other: return NotASerialPort(failure, facts, present);
    case PathKind::Device: break;
  }
  switch (failure.reason.kind) {
    case Kind::NotFound:
    case Kind::HungUp: return NotThere(failure, facts, present);
    case Kind::NotSupported: return NotASerialPort(failure, facts, present);
    default: return SystemReason(failure);
  }
}

std::string ExplainPortFailure(const PortFailure& failure, const std::vector<SerialPortInfo>& present) {
  return DescribePortFailure(failure, GatherPortFacts(failure), present);
}

}  // namespace brisvel
