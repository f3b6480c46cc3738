#pragma once
// The hand-over from the monitor thread to the owner's (UI) thread. The application supplies
// an implementation bound to its event loop; the serial link itself shows no UI.

#include <exception>
#include <functional>
#include <string>

namespace brisvel::serial {

// Application-message base 0x8000 plus 501 to 510, in dispatch order.
enum NotificationId : int {
  kNotifyBreak = 33269,
  kNotifyCts = 33270,
  kNotifyDsr = 33271,
  kNotifyErr = 33272,
  kNotifyRing = 33273,
  kNotifyRlsd = 33274,
  kNotifyPacket = 33275,
  kNotifyRxChar = 33276,
  kNotifyRxFlag = 33277,
  kNotifyTxEmpty = 33278,
  // Beyond the ten line events: the line hung up (OnHANGUP), posted once, after them.
  kNotifyHangUp = 33279,
};

class NotificationWindow {
 public:
  using Receiver = std::function<void(int id)>;

  virtual ~NotificationWindow() = default;  // drops notifications not yet delivered

  // Set once by the component on the owner's thread, before anything is posted.
  virtual void setReceiver(Receiver receiver) = 0;
  // Any thread; the receiver runs later on the owner's thread, in posting order.
  virtual void post(int id) = 0;
  // Owner's thread: the component's debug reports, for the application to show.
  virtual void showMessage(const std::string& utf8Message) = 0;

  using Reporter = std::function<void(const std::string& utf8Message)>;

  // Owner's thread: runs the receiver. A handler's error must not escape into the event loop
  // (on Windows, through the system's frames, which cannot pass it); it goes to
  // `onHandlerError` (empty for anything but a std::exception), and later notifications
  // still arrive.
  static void Deliver(const Receiver& receiver, int id, const Reporter& onHandlerError) {
    if (!receiver) return;
    try {
      receiver(id);
    } catch (const std::exception& e) {
      if (onHandlerError) onHandlerError(e.what());
    } catch (...) {
      if (onHandlerError) onHandlerError("");
    }
  }
};

}  // namespace brisvel::serial
