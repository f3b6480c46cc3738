// Add, end to end: the real registration and receive windows against the simulated unit on a
// COM port the line server lends; the boxes are answered as a user would.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app_win32/remocondata_receive.h"
#include "core/formats/sjis.h"
#include "core/formats/wide_text_win32.h"
#include "file_bytes.h"
#include "form_environment.h"
#include "line_pty.h"
#include "thread_count.h"
#include "unit/line.h"
#include "unit_sim_process.h"

namespace brisvel {
namespace {

using namespace testing_support;

constexpr wchar_t kSendText[] = L"PC-OP-RS1にデータを送信してください";

class CaptureTest : public testing::Test {
 protected:
  // Starts the unit and a window whose port box names it.
  void Start(std::vector<std::string> unit_args) {
    unit_args.insert(unit_args.begin(), {"--delay", "0.3"});
    unit = std::make_unique<Simulator>(unit_args);
    device = unit->DevicePath();
    ASSERT_FALSE(device.empty()) << "no line server (BRISVEL_LINE_SERVER)";
    form = ShowForm(dir, {"COM3"}, 1000);
    SetWindowTextW(form->COMCombo, WideFromUtf8(device).c_str());
    threads_before = UnnamedThreadCount();
  }

  // After every Add the dialog is gone, no monitor thread is left and the port is free.
  void ExpectPortReleased() {
    EXPECT_EQ(FindWindowW(nullptr, L"リモコン受信"), nullptr);
    EXPECT_TRUE(IsWindowEnabled(form->handle()));
    EXPECT_EQ(UnnamedThreadCountSettledAt(threads_before), threads_before);
    serial::Trs232c probe(ProgramNotifications());
    probe.portname = device;
    EXPECT_TRUE(probe.Open());
  }

  ScratchDir dir;
  ModalAnswers answers;
  std::unique_ptr<Simulator> unit;
  std::string device;
  std::unique_ptr<TRegisterForm> form;
  size_t threads_before = 0;
};

// Esc in the receive dialog does nothing: the code that comes afterwards is listed.
TEST_F(CaptureTest, CodeIsListedAndSavedAsItsCsvLine) {
  const std::string code = "000FA5" + std::string(474, '7');
  Start({"--code", code});
  bool window_disabled = false;
  std::wstring label;
  RECT client{}, outer{};
  answers.expect(L"リモコンデータ登録", TypeAndEnter(L"テレビ 電源"));
  answers.expect(L"リモコン受信", [&](HWND dialog) {
    window_disabled = !IsWindowEnabled(form->handle());
    label = ShownText(dialog);
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &outer);
    PressKey(VK_ESCAPE);
  });
  SendMessageW(form->AddButton, BM_CLICK, 0, 0);
  EXPECT_TRUE(answers.unanswered().empty());
  EXPECT_TRUE(window_disabled);
  EXPECT_EQ(label, kSendText);
  EXPECT_EQ(std::vector<LONG>({client.right, client.bottom, outer.left, outer.top}),
            std::vector<LONG>({138, 124, 541, 565}))
      << "the receive dialog's size and place as designed";
  ASSERT_EQ(ListView_GetItemCount(form->DataListView), 1);
  EXPECT_EQ(CellText(form->DataListView, 0, 0), L"テレビ 電源");
  EXPECT_EQ(CellText(form->DataListView, 0, 1), WideFromUtf8(code));
  EXPECT_EQ(TextOf(form->handle()), L"*リモコンデータ登録");
  ExpectPortReleased();

  answers.expectFileDialog(ChooseFile(dir / "codes.csv"));
  SendMessageW(form->SaveButton, BM_CLICK, 0, 0);
  EXPECT_EQ(ReadFileBytes(dir / "codes.csv"), "\"" + *sjis::FromUtf8("テレビ 電源") + "\",\"" + code + "\"\r\n");
}

struct FailureCase {
  const char* label;
  std::vector<std::string> unit_args;
  const wchar_t* port;  // instead of the unit's, if given
  std::function<ModalAnswers::Answer()> receive_answer;  // for the receive dialog, if it comes up
  std::wstring message;  // the error dialog's first line
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.label; }

class CaptureFailureTest : public CaptureTest, public testing::WithParamInterface<FailureCase> {};

// Each failure shows its text once in the error dialog (answered with Enter) and lists nothing.
TEST_P(CaptureFailureTest, ShowsItsTextAndListsNothing) {
  Start(GetParam().unit_args);
  if (GetParam().port) SetWindowTextW(form->COMCombo, GetParam().port);
  std::wstring shown;
  answers.expect(L"リモコンデータ登録", TypeAndEnter(L"name"));
  if (GetParam().receive_answer) answers.expect(L"リモコン受信", GetParam().receive_answer());
  answers.expect(L"エラー", Seen(shown, Key(VK_RETURN)));
  SendMessageW(form->AddButton, BM_CLICK, 0, 0);
  EXPECT_TRUE(answers.unanswered().empty());
  EXPECT_EQ(shown.substr(0, shown.find(L'\n')), GetParam().message);
  EXPECT_EQ(ListView_GetItemCount(form->DataListView), 0);
  ExpectPortReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Unit, CaptureFailureTest,
    testing::Values(FailureCase{"missing_port", {}, L"COM98", nullptr, L"error -- open"},
                    FailureCase{"wrong_ack", {"--ack", "0x4E"}, nullptr, nullptr, L"error -- not Y($59)"},
                    FailureCase{"wrong_end", {"--end", "0x58"}, nullptr, nullptr, L"error -- not E($45)"},
                    FailureCase{"short_packet_then_cancel", {"--short", "241"}, nullptr, [] { return Press(L"Cancel"); },
                                L"cancel"},
                    FailureCase{"enter_cancels", {"--short", "241"}, nullptr, [] { return Key(VK_RETURN); }, L"cancel"},
                    FailureCase{"space_cancels", {"--short", "241"}, nullptr, [] { return Key(VK_SPACE); }, L"cancel"},
                    FailureCase{"close_box_cancels", {"--short", "241"}, nullptr, [] { return CloseBox(); }, L"cancel"}),
    [](const auto& p) { return std::string(p.param.label); });

int g_ticks = 0;

// While a silent unit is awaited the window keeps handling messages (here a timer's), the
// receive dialog comes up modal so that the user can cancel, and the outcome is "error --
// read" after the time-out, "cancel" when cancelled.
TEST_F(CaptureTest, SilentUnitIsAwaitedWithTheWindowAlive) {
  struct Case {
    const char* label;
    std::function<ModalAnswers::Answer()> answer;
    std::wstring message;
  };
  for (const Case& c : {Case{"time-out", [] { return ModalAnswers::Answer([](HWND) {}); }, L"error -- read"},
                        Case{"cancelled", [] { return Press(L"Cancel"); }, L"cancel"}}) {
    SCOPED_TRACE(c.label);
    Start({"--silent"});
    g_ticks = 0;
    const UINT_PTR ticker = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) { ++g_ticks; });
    bool window_disabled = false;
    std::wstring label, shown;
    answers.expect(L"リモコンデータ登録", TypeAndEnter(L"name"));
    answers.expect(L"リモコン受信", [&](HWND dialog) {
      window_disabled = !IsWindowEnabled(form->handle());
      label = ShownText(dialog);
      c.answer()(dialog);
    });
    answers.expect(L"エラー", Seen(shown, Key(VK_RETURN)));
    SendMessageW(form->AddButton, BM_CLICK, 0, 0);
    KillTimer(nullptr, ticker);
    EXPECT_TRUE(answers.unanswered().empty());
    EXPECT_GE(g_ticks, 5);
    EXPECT_TRUE(window_disabled);
    EXPECT_NE(label, kSendText) << "the unit is not ready for a code yet";
    EXPECT_EQ(shown, c.message);
    EXPECT_EQ(ListView_GetItemCount(form->DataListView), 0);
    ExpectPortReleased();
  }
}

// The monitor posts the packet before the dialog is shown; the dialog's own loop then
// delivers it and ends at once.
TEST(ReceiveDialog, PacketPostedBeforeTheDialogAppearedEndsIt) {
  serial::testing::Pty pty;
  ASSERT_FALSE(pty.path.empty()) << "no line server (BRISVEL_LINE_SERVER)";
  TReceiveForm dialog(ProgramNotifications);
  bool packet_in = false;
  serial::Trs232c port(dialog.notificationWindow());
  unit::ConfigureLine(port);
  port.portname = pty.path;
  port.OnPACKET = [&](serial::Trs232c&) {
    packet_in = true;
    dialog.wake();
  };
  ASSERT_TRUE(port.Open());
  pty.send(242, 0x53);
  MSG posted;
  for (int tries = 0; tries < 500 && !PeekMessageW(&posted, nullptr, serial::kNotifyPacket, serial::kNotifyPacket, PM_NOREMOVE);
       ++tries)
    Sleep(10);
  ASSERT_EQ(posted.message, static_cast<UINT>(serial::kNotifyPacket)) << "the monitor posted nothing";
  // A dialog that missed the notification would wait for ever: Cancel after a while.
  const UINT_PTR rescue = SetTimer(nullptr, 0, 3000, [](HWND, UINT, UINT_PTR, DWORD) {
    if (HWND up = FindThreadWindow(L"リモコン受信")) PostMessageW(ButtonCaptioned(up, L"Cancel"), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(dialog.waitShown("PC-OP-RS1にデータを送信してください", {[&] { return packet_in; }, {}, {}}), WaitEnd::Over);
  KillTimer(nullptr, rescue);
}

}  // namespace
}  // namespace brisvel
