// The monitor thread (tcommthread): its start, its loop and its stop.
#include "serial/comthd.h"

#include <cstdint>
#include <system_error>
#include <utility>

#include "serial/rs232c.h"
#include "serial/serial_port.h"
#include "serial/thread_error.h"

namespace brisvel::serial {

std::thread startThread(std::function<void()> body) { return std::thread(std::move(body)); }

tcommthread::tcommthread(Trs232c& owner, SerialPort& port) : owner_(owner), port_(port) {}

void tcommthread::Start(const ThreadStarter& starter) {
  try {
    thread_ = starter([this] { Execute(); });
  } catch (const std::system_error& e) {
    throw ThreadError::creation(e.code().message());
  }
}

void tcommthread::Terminate() { terminated_.store(true); }

void tcommthread::WaitFor() {
  try {
    thread_.join();
  } catch (const std::system_error& e) {
    throw ThreadError::failure(e.code().message(), e.code().value());
  }
}

void tcommthread::Execute() {
  while (!terminated_.load()) {
    uint32_t reported = 0;
    if (port_.waitEvent(reported)) owner_.DispatchCommEvents(reported);
  }
}

}  // namespace brisvel::serial
