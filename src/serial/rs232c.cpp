#include "serial/rs232c.h"

#include <array>
#include <exception>
#include <string_view>
#include <utility>

namespace brisvel::serial {

namespace {

struct ParityWord {
  std::string_view word;
  int code;
};

constexpr std::array<ParityWord, 26> kParityWords{{
    {"無し", 0},     {"なし", 0},
    {"奇数", 1},     {"きすう", 1},     {"ODD", 1},   {"odd", 1},   {"ＯＤＤ", 1},   {"ｏｄｄ", 1},
    {"偶数", 2},     {"ぐうすう", 2},   {"EVEN", 2},  {"even", 2},  {"ＥＶＥＮ", 2}, {"ｅｖｅｎ", 2},
    {"マーク", 3},   {"まーく", 3},     {"MARK", 3},  {"mark", 3},  {"ＭＡＲＫ", 3}, {"ｍａｒｋ", 3},
    {"スペース", 4}, {"すぺーす", 4},   {"SPACE", 4}, {"space", 4}, {"ＳＰＡＣＥ", 4}, {"ｓｐａｃｅ", 4},
}};

struct Notification {
  int id;
  uint32_t event;
  Trs232c::Notify Trs232c::*handler;
};

// In dispatch order; packet and received-character share the received-character event.
constexpr std::array<Notification, 10> kNotifications{{
    {kNotifyBreak, kEvBreak, &Trs232c::OnBREAK},
    {kNotifyCts, kEvCts, &Trs232c::OnCTS},
    {kNotifyDsr, kEvDsr, &Trs232c::OnDSR},
    {kNotifyErr, kEvErr, &Trs232c::OnERR},
    {kNotifyRing, kEvRing, &Trs232c::OnRING},
    {kNotifyRlsd, kEvRlsd, &Trs232c::OnRLSD},
    {kNotifyPacket, kEvRxChar, &Trs232c::OnPACKET},
    {kNotifyRxChar, kEvRxChar, &Trs232c::OnRXCHAR},
    {kNotifyRxFlag, kEvRxFlag, &Trs232c::OnRXFLAG},
    {kNotifyTxEmpty, kEvTxEmpty, &Trs232c::OnTXEMPTY},
}};

constexpr unsigned kPurgeAbort = kPurgeTxAbort | kPurgeRxAbort;
constexpr unsigned kPurgeAll = kPurgeAbort | kPurgeTxClear | kPurgeRxClear;

void fire(Trs232c::Notify& handler, Trs232c& sender) {
  if (handler) handler(sender);
}

}  // namespace

int parityCodeOf(const std::string& word) {
  for (const auto& p : kParityWords)
    if (p.word == word) return p.code;
  return -1;
}

int stopBitCodeOf(const std::string& text) {
  if (text == "1") return 0;
  if (text == "1.5") return 1;
  if (text == "2") return 2;
  return -1;
}

Trs232c::Trs232c(std::unique_ptr<NotificationWindow> window) : window_(std::move(window)) {
  window_->setReceiver([this](int id) { WndProc(id); });
  fire(OnCreate, *this);
}

Trs232c::~Trs232c() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report. Close has released the port unless the monitor could not
    // be awaited, and then the monitor's own destructor stops the program instead of letting
    // it outlive the port.
  }
  window_.reset();
}

rsflowset Trs232c::flow() const { return rsflowset::fromBits(flowflag); }
void Trs232c::set_flow(rsflowset flags) { flowflag = flags.bits(); }

bool Trs232c::failOpen(const char* message, bool releasePort) {
  if (debug) window_->showMessage(message);
  if (releasePort) {
    port_.purge(kPurgeAbort);
    port_.close();
  }
  return false;
}

LineSettings Trs232c::requestedSettings(LineSettings s) const {
  s.baudRate = static_cast<uint32_t>(bps);
  if (int code = stopBitCodeOf(stopbit); code >= 0) s.stopBits = static_cast<uint8_t>(code);
  if (int code = parityCodeOf(paritymode); code >= 0) s.parity = static_cast<uint8_t>(code);
  s.byteSize = static_cast<uint8_t>(charbit & 0xff);
  s.flags = flowflag;
  if (XonLim != 0) s.xonLim = static_cast<uint16_t>(XonLim & 0xffff);
  if (XoffLim != 0) s.xoffLim = static_cast<uint16_t>(XoffLim & 0xffff);
  for (auto [property, field] : {std::pair{XonChar, &s.xonChar}, {XoffChar, &s.xoffChar},
                                 {ErrorChar, &s.errorChar}, {EofChar, &s.eofChar},
                                 {EvtChar, &s.evtChar}})
    if (property != 0) *field = property;
  return s;
}

Timeouts Trs232c::requestedTimeouts(Timeouts t) const {
  t.readInterval = static_cast<uint32_t>(readinterval);
  t.readTotalMultiplier = 0;
  t.readTotalConstant = static_cast<uint32_t>(rxtimeout);
  t.writeTotalMultiplier = 0;
  t.writeTotalConstant = static_cast<uint32_t>(txtimeout);
  return t;
}

uint32_t Trs232c::requestedEventMask() const {
  uint32_t mask = 0;
  for (const auto& n : kNotifications)
    if (this->*n.handler) mask |= n.event;
  return mask;
}

bool Trs232c::Open() {
  if (open_) return false;
  if (!port_.open(portname)) return failOpen("回線オープンエラー", false);
  if (!port_.setQueueSizes(static_cast<uint32_t>(rxbuffsize), static_cast<uint32_t>(txbuffsize)))
    return failOpen("バッファサイズ設定エラー", true);
  LineSettings settings;
  port_.getLineSettings(settings);
  if (!port_.setLineSettings(requestedSettings(settings)))
    return failOpen("通信条件設定エラー", true);
  Timeouts timeouts;
  port_.getTimeouts(timeouts);  // the base, though every field of it is set here
  if (!port_.setTimeouts(requestedTimeouts(timeouts)))
    return failOpen("タイムアウト時間設定エラー", true);
  eventMask_ = requestedEventMask();
  port_.setEventMask(eventMask_);
  port_.purge(kPurgeAll);
  if (eventMask_ != 0) startMonitor();
  open_ = true;
  fire(OnOpen, *this);
  return true;
}

// On failure the port is released before raising, so nothing stays held.
void Trs232c::startMonitor() {
  received_.store(0);
  monitor_ = std::make_unique<tcommthread>(*this, port_);
  try {
    monitor_->Start(threadStarter_);
  } catch (const ThreadError&) {
    monitor_.reset();
    port_.close();
    throw;
  }
}

void Trs232c::stopMonitor() {
  monitor_->Terminate();
  port_.setEventMask(0);  // releases the pending wait
  monitor_->WaitFor();
  monitor_.reset();
}

bool Trs232c::Close() {
  if (!open_) return false;
  port_.purge(kPurgeAbort);
  if (monitor_) stopMonitor();
  open_ = false;
  std::exception_ptr handlerError;
  try {
    fire(OnClose, *this);
  } catch (...) {
    handlerError = std::current_exception();  // the port is released all the same
  }
  bool released = port_.close();
  if (handlerError) std::rethrow_exception(handlerError);
  return released;
}

bool Trs232c::transferCompleted(bool ok, std::size_t moved, int count) const {
  return ok && moved == static_cast<std::size_t>(count);
}

bool Trs232c::Read(void* buffer, int count) {
  if (!open_ || count < 0) return false;
  std::size_t moved = 0;
  bool ok = port_.read(buffer, static_cast<std::size_t>(count), moved,
                       static_cast<uint32_t>(rxtimeout));
  return transferCompleted(ok, moved, count);
}

bool Trs232c::Write(const void* buffer, int count) {
  if (!open_ || count < 0) return false;
  std::size_t moved = 0;
  bool ok = port_.write(buffer, static_cast<std::size_t>(count), moved,
                        static_cast<uint32_t>(txtimeout));
  return transferCompleted(ok, moved, count);
}

bool Trs232c::ReadByte(uint8_t& out) {
  uint8_t byte = 0;
  if (!Read(&byte, 1)) return false;
  out = byte;
  return true;
}

bool Trs232c::WriteByte(uint8_t value) { return Write(&value, 1); }

void Trs232c::postPacketIfReached() {
  PortStatus status;
  // On Win32 this query also clears a pending line error; a Linux tty latches none, so here
  // it only measures the queue.
  port_.status(status);
  received_.store(static_cast<int32_t>(status.inQueue));
  if (OnPACKET && packetsize != 0 && received_.load() >= packetsize) {
    received_.store(0);
    window_->post(kNotifyPacket);
  }
}

void Trs232c::DispatchCommEvents(uint32_t reported) {
  for (const auto& n : kNotifications) {
    if (!(reported & n.event)) continue;
    if (n.id == kNotifyPacket)
      postPacketIfReached();
    else if (this->*n.handler)
      window_->post(n.id);
  }
  if ((reported & kEvHangUp) && OnHANGUP) window_->post(kNotifyHangUp);
}

void Trs232c::WndProc(int id) {
  for (const auto& n : kNotifications)
    if (n.id == id) fire(this->*n.handler, *this);
  if (id == kNotifyHangUp) fire(OnHANGUP, *this);
}

}  // namespace brisvel::serial
