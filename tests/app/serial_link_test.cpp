#include <gtest/gtest.h>

#include "support/catalogue_sql.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

const std::string kConnectFrame = "\xFE\xFD\xF6\x0A\xFF";

using FindSerialPorts = FormTest;

// 20 is the highest number probed, 21 is beyond; 12 has two digits to read
// back. Of those that do not open, the ones that refuse this user or are held
// elsewhere are named once; a missing device or another failure is not.
TEST_F(FindSerialPorts, ListsThePortsThatOpenInOrderAndChoosingOneSetsUpTheLine) {
  serial.openable = {4, 20, 1, 12, 21};
  using K = SerialError::Kind;
  serial.refusing = {{2, K::Permission}, {5, K::Busy}, {6, K::NotFound}, {7, K::Other}, {13, K::Busy}};
  Load();
  ASSERT_EQ(messages.shown.size(), 1u);
  const struct {
    const char* says;
    bool named;
  } skipped[] = {{"- cannot open COM2\n", true},
                 {"- cannot open COM5\n", true},
                 {"- cannot open COM13\n", true},
                 {"COM6", false},
                 {"COM7", false}};
  for (const auto& s : skipped)
    EXPECT_EQ(messages.shown[0].find(s.says) != std::string::npos, s.named) << s.says << messages.shown[0];
  // One look at the system's devices for the twenty numbers and the tips.
  EXPECT_EQ(serial.device_lists, 1);
  EXPECT_EQ(form->CmbCOM.Items(), (std::vector<std::string>{"COM 1", "COM 4", "COM 12", "COM 20"}));
  EXPECT_EQ(form->CmbCOM.ItemTip(2), serial.DevicePath(12));
  EXPECT_EQ(form->CmbCOM.Text(), "COM ?");
  EXPECT_EQ(serial.opened, (std::vector<std::int16_t>{1, 4, 12, 20}));
  EXPECT_FALSE(serial.PortOpen());
  EXPECT_FALSE(form->CmdConnect.Enabled());

  serial.calls.clear();
  form->CmbCOM.Choose(2);
  EXPECT_EQ(serial.calls, (std::vector<std::string>{"CommPort=12", "Settings=19200,N,8,1"}));
  EXPECT_TRUE(form->CmdConnect.Enabled());
  EXPECT_FALSE(form->CmbPORT.Enabled());
  // CONNECT looks again: a device plugged in since start-up is found.
  const int lists = serial.device_lists;
  form->CmdConnect.PerformClick();
  EXPECT_EQ(serial.device_lists, lists + 1);
}

// Connecting and losing the link are proven by RandomOperator; here, the
// frames that wait with the port. Port 1 holds 200 effects: its upload frame
// of 1,005 bytes takes about half a second at 19,200 baud; port 2's of
// 114,240 bytes exactly 59.5 s. The written frames stay pending until released.
class Sending : public FormTest {
 protected:
  std::string ExtraSql() const override {
    return std::string(kCatalogueSql) +
           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
           "INSERT INTO PORT1 SELECT i, 7, 'x', 5, 1, 1, 40 FROM n;\n"
           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 22847) "
           "INSERT INTO PORT2 SELECT i, 7, 'x', 5, 1, 1, 40 FROM n;\n";
  }
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    ASSERT_NO_FATAL_FAILURE(ChoosePort(1));
    ASSERT_NO_FATAL_FAILURE(ChooseEffect(0));
    serial.hold_output = true;
  }
  // SEND, TEST and Program, each refused: nothing written, nothing stored.
  void ExpectSendingRefused(const std::string& why) {
    const auto writes = serial.writes;
    messages.shown.clear();
    form->TxtMaxport.SetText("99");
    for (Button* b : {&form->CmdSEND, &form->CmdTest, &form->CmdMaxport}) b->PerformClick();
    EXPECT_EQ(serial.writes, writes);
    EXPECT_EQ(Rows("SELECT MaxValue FROM MaxPort WHERE Port=1"), "40\n");
    ASSERT_EQ(messages.shown.size(), 3u);
    for (const std::string& m : messages.shown) EXPECT_NE(m.find(why), std::string::npos) << m;
    messages.shown.clear();
  }
  const std::string list_frame_sending_ = "Sending the PORT1 list (200 effects)";
};

// Each command writes its own whole frame behind those still leaving; a
// long frame shows its progress, a short one alone only how it ended.
TEST_F(Sending, FramesWrittenWhileOneLeavesQueueBehindItAndShowTheirProgress) {
  form->CmdSEND.PerformClick();
  ASSERT_EQ(serial.writes.size(), 2u);
  EXPECT_EQ(serial.writes[1].size(), 1005u);
  EXPECT_EQ(form->window.status, list_frame_sending_ + ": 1,005 bytes left, about 1 s");
  form->CmdSEND.PerformClick();
  form->TxtMaxport.SetText("99");
  form->CmdMaxport.PerformClick();
  ASSERT_EQ(serial.writes.size(), 4u);
  EXPECT_EQ(serial.writes[2], serial.writes[1]);
  EXPECT_EQ(serial.writes[3], "\xFE\xFD\xF5\x63\xFF");
  EXPECT_EQ(form->window.status, list_frame_sending_ + " and 2 more frames: 2,015 bytes left, about 1 s");
  serial.Release(1005);
  EXPECT_EQ(form->window.status, list_frame_sending_ + " and 1 more frame: 1,010 bytes left, about 1 s");
  serial.ReleaseAll();
  const std::string sent = "PORT1 list sent (200 effects), and 2 more frames.";
  EXPECT_EQ(form->window.status, sent);
  EXPECT_EQ(Rows("SELECT MaxValue FROM MaxPort WHERE Port=1"), "99\n");
  // A short one says so once it has left, and until the next command.
  form->CmdTest.PerformClick();
  EXPECT_EQ(serial.writes.size(), 5u);
  EXPECT_EQ(form->window.status, "");
  serial.ReleaseAll();
  EXPECT_EQ(form->window.status, "PORT1 effect test sent.");
  form->CmbFunc.Choose(1);
  EXPECT_EQ(form->window.status, "");
  // From a minute on, the time left is given in minutes.
  ChoosePort(2);
  form->CmdSEND.PerformClick();
  const std::string sending = "Sending the PORT2 list (22,847 effects): ";
  EXPECT_EQ(form->window.status, sending + "114,240 bytes left, about 1 min");
  serial.Release(1);
  EXPECT_EQ(form->window.status, sending + "114,239 bytes left, about 59 s");
  EXPECT_TRUE(messages.shown.empty());
}

// By the Exit command or the window's close box: the unloading waits with
// the window usable; a second request closes at once, dropping the rest.
class ClosingWhileSending : public Sending, public ::testing::WithParamInterface<std::string> {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Sending::SetUp());
    form->CmdSEND.PerformClick();
    Close();
    EXPECT_FALSE(form->window.Unloaded());
    EXPECT_EQ(toolkit.ended, 0);
    EXPECT_TRUE(db->IsOpen());
    EXPECT_EQ(form->window.status, list_frame_sending_ + ": 1,005 bytes left, about 1 s; then the window closes");
    ASSERT_NO_FATAL_FAILURE(ExpectSendingRefused("The window closes as soon as"));
  }
  void Close() {
    if (GetParam() == "Exit") return form->MnuExit.PerformClick();
    const bool unloaded = form->window.RequestUnload();
    EXPECT_EQ(unloaded, form->window.Unloaded());
  }
  void ExpectClosed() {
    EXPECT_TRUE(form->window.Unloaded());
    EXPECT_FALSE(serial.PortOpen());
    EXPECT_FALSE(db->IsOpen());
    EXPECT_TRUE(messages.shown.empty());
  }
};

TEST_P(ClosingWhileSending, WaitsForTheWrittenFrames) {
  serial.Release(1000);
  EXPECT_FALSE(form->window.Unloaded());
  serial.ReleaseAll();
  ExpectClosed();
  // The window ends itself, however it was asked.
  EXPECT_EQ(toolkit.ended, 1);
  EXPECT_EQ(serial.dropped, 0);
  EXPECT_EQ(form->window.status, "PORT1 list sent (200 effects).");
}

TEST_P(ClosingWhileSending, ASecondRequestClosesAtOnce) {
  Close();
  ExpectClosed();
  // Closed by the close box, the view goes by itself.
  EXPECT_EQ(toolkit.ended, GetParam() == "Exit" ? 1 : 0);
  EXPECT_EQ(serial.dropped, 1005);
}

INSTANTIATE_TEST_SUITE_P(By, ClosingWhileSending, ::testing::Values("Exit", "CloseBox"),
                         [](const ::testing::TestParamInfo<std::string>& i) { return i.param; });

// The device goes while frames are pending, waiting for nothing, for
// DISCONNECT or to close the window: one message names what was not sent.
class LostWhileSending : public Sending, public ::testing::WithParamInterface<std::string> {};

TEST_P(LostWhileSending, EndsAnyWaitWithOneMessageSayingWhatWasNotSent) {
  form->CmdSEND.PerformClick();
  serial.Release(1);  // the first byte of the first frame is out
  form->CmdSEND.PerformClick();
  form->CmdTest.PerformClick();
  if (GetParam() == "Disconnect") {
    form->CmdConnect.PerformClick();
    ASSERT_NO_FATAL_FAILURE(ExpectSendingRefused("DISCONNECT is waiting"));
  }
  if (GetParam() == "Exit") form->MnuExit.PerformClick();
  serial.Unplug();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0],
            "The serial link to the board was lost: device removed\n"
            "Not sent: the PORT1 list (200 effects), 2 times; the PORT1 effect test.");
  EXPECT_EQ(form->window.status, "PORT1 list and 2 more frames not sent: device removed");
  EXPECT_EQ(form->window.Unloaded(), GetParam() == "Exit");
  EXPECT_EQ(toolkit.ended, GetParam() == "Exit" ? 1 : 0);
  if (GetParam() == "Exit") return;
  EXPECT_EQ(form->CmdConnect.Caption(), "CONNECT");
  EXPECT_TRUE(form->CmdConnect.Enabled());
  EXPECT_EQ(form->LabConnect.Caption(), "Not ! Connect");
  EXPECT_FALSE(form->CmbPORT.Enabled());
  // The port is closed: a command is refused as before, with no second report.
  form->CmdSEND.PerformClick();
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_NE(messages.shown[1].find("press CONNECT first"), std::string::npos) << messages.shown[1];
}

INSTANTIATE_TEST_SUITE_P(Waiting, LostWhileSending, ::testing::Values("None", "Disconnect", "Exit"),
                         [](const ::testing::TestParamInfo<std::string>& i) { return i.param; });

}  // namespace
}  // namespace zl::test
