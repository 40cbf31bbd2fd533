#include <gtest/gtest.h>

#include "support/catalogue_sql.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

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
  for (const char* named : {"- cannot open COM2\n", "- cannot open COM5\n", "- cannot open COM13\n"})
    EXPECT_NE(messages.shown[0].find(named), std::string::npos) << messages.shown[0];
  for (const char* unnamed : {"COM6", "COM7"}) EXPECT_EQ(messages.shown[0].find(unnamed), std::string::npos);
  EXPECT_EQ(form->CmbCOM.Items(), (std::vector<std::string>{"COM 1", "COM 4", "COM 12", "COM 20"}));
  EXPECT_EQ(form->CmbCOM.ItemTip(2), "/dev/fake12");
  EXPECT_EQ(serial.opened, (std::vector<std::int16_t>{1, 4, 12, 20}));
  EXPECT_FALSE(serial.PortOpen());  // CONNECT's state: RandomOperator

  serial.calls.clear();
  form->CmbCOM.Choose(2);
  EXPECT_EQ(serial.calls, (std::vector<std::string>{"CommPort=12", "Settings=19200,N,8,1"}));
}

// Connecting and losing the link are proven by RandomOperator; here, the
// frames that wait with the port. Port 1 holds 200 effects: its upload frame
// of 1,005 bytes takes about half a second at 19,200 baud. The written frames
// stay pending until released.
class Sending : public FormTest {
 protected:
  std::string ExtraSql() const override {
    return std::string(kCatalogueSql) +
           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
           "INSERT INTO PORT1 SELECT i, 7, 'x', 5, 1, 1, 40 FROM n;\n";
  }
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    ASSERT_NO_FATAL_FAILURE(ChoosePort(1, 0));
    serial.hold_output = true;
  }
  // A command is refused saying `why`; that TEST and Program are too, and
  // write and store nothing, RandomOperator checks while DISCONNECT waits.
  void ExpectSendingRefused(const std::string& why) {
    const std::size_t writes = serial.writes.size();
    messages.shown.clear();
    form->CmdSEND.PerformClick();
    EXPECT_EQ(serial.writes.size(), writes);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find(why), std::string::npos) << messages.shown[0];
    messages.shown.clear();
  }
  const std::string list_frame_sending_ = "Sending the PORT1 list (200 effects)";
};

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
    if (GetParam().rfind("Exit", 0) == 0) return form->MnuExit.PerformClick();
    const bool unloaded = form->window.RequestUnload();
    EXPECT_EQ(unloaded, form->window.Unloaded());
  }
  void ExpectClosed() {
    EXPECT_TRUE(form->window.Unloaded());
    EXPECT_FALSE(serial.PortOpen());
    EXPECT_FALSE(db->IsOpen());
  }
};

// Asked again once part has left, it closes at once, dropping the rest.
TEST_P(ClosingWhileSending, WaitsForTheWrittenFramesUnlessAskedAgain) {
  serial.Release(1000);
  EXPECT_FALSE(form->window.Unloaded());
  const bool again = GetParam().rfind("Again") != std::string::npos;
  if (again)
    Close();
  else
    serial.ReleaseAll();
  ExpectClosed();
  // The window ends itself, however it was asked, unless the close box goes.
  EXPECT_EQ(toolkit.ended, again && GetParam() != "ExitAgain" ? 0 : 1);
  EXPECT_EQ(serial.dropped, again ? 5 : 0);
  if (!again) {
    EXPECT_EQ(form->window.status, "PORT1 list sent (200 effects).");
  }
}

INSTANTIATE_TEST_SUITE_P(By, ClosingWhileSending, ::testing::Values("Exit", "CloseBox", "ExitAgain", "CloseBoxAgain"),
                         [](const ::testing::TestParamInfo<std::string>& i) { return i.param; });

// The device goes while frames are pending, waiting for nothing, for
// DISCONNECT or to close the window: one message names what was not sent.
class LostWhileSending : public Sending, public ::testing::WithParamInterface<std::string> {};

TEST_P(LostWhileSending, EndsAnyWaitWithOneMessageSayingWhatWasNotSent) {
  form->CmdSEND.PerformClick();
  serial.Release(1);  // the first byte of the first frame is out
  form->CmdSEND.PerformClick();
  form->CmdTest.PerformClick();
  // Each command writes its own whole frame behind those still leaving.
  ASSERT_EQ(serial.writes.size(), 4u);
  EXPECT_EQ(serial.writes[1].size(), 1005u);
  EXPECT_EQ(serial.writes[2], serial.writes[1]);
  EXPECT_EQ(form->window.status, list_frame_sending_ + " and 2 more frames: 2,019 bytes left, about 1 s");
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
  EXPECT_EQ(toolkit.ended, GetParam() == "Exit" ? 1 : 0);
  if (GetParam() == "Exit") return;
  EXPECT_EQ(form->CmdConnect.Caption(), "CONNECT");
  // The port is closed: a command is refused as before, with no second report.
  form->CmdSEND.PerformClick();
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_NE(messages.shown[1].find("press CONNECT first"), std::string::npos) << messages.shown[1];
}

INSTANTIATE_TEST_SUITE_P(Waiting, LostWhileSending, ::testing::Values("None", "Disconnect", "Exit"),
                         [](const ::testing::TestParamInfo<std::string>& i) { return i.param; });

// The frames themselves are proven by RandomOperator; here, what each
// refusal says. Port 1 has one row (capacity 40); port 2 a row written
// elsewhere with a Loop beyond one byte; port 3 none.
class BoardCommands : public FormTest {
 protected:
  std::string ExtraSql() const override {
    return std::string(kCatalogueSql) +
           "INSERT INTO PORT1 VALUES (1, 7, 'a', 5, 1, 1, 40);\n"
           "INSERT INTO PORT2 VALUES (1, 7, 'a', 5, 1, 1, 40), (2, 7, 'b', 5, 300, 1, 40);\n";
  }
};

// A failed write would say the link was lost instead.
TEST_F(BoardCommands, RefusalsSendAndStoreNothing) {
  FrmForm& f = *form;
  ExpectRefusals({
      {3, -1, nullptr, "", &f.CmdSEND, "The list of PORT3 is empty; nothing was sent."},
      {2, -1, nullptr, "", &f.CmdSEND,
       "Row STT 2 of PORT2: Loop \"300\" does not fit one byte (0 to 255); nothing was sent."},
      {1, -1, &f.TxtMaxport, "300", &f.CmdSEND,
       "The capacity value \"300\" does not fit one byte (0 to 255); nothing was sent."},
      {1, 0, &f.TxtMaxport, "300", &f.CmdTest,
       "The capacity value \"300\" does not fit one byte (0 to 255); nothing was sent."},
      {1, -1, &f.TxtMaxport, "300", &f.CmdMaxport,
       "The capacity value \"300\" is not a number from 0 to 255; nothing was sent or stored."},
      {1, -1, &f.TxtMaxport, "?", &f.CmdMaxport,
       "The capacity value \"?\" is not a number from 0 to 255; nothing was sent or stored."},
      {1, 0, &f.TxtLoop, "256", &f.CmdTest, "Loop \"256\" is not a number from 0 to 255; nothing was sent."},
      {1, 0, &f.TxtB, "", &f.CmdTest, "End \"\" is not a number from 0 to 255; nothing was sent."},
      {1, 3, nullptr, "", &f.CmdTest, "The effect \"Chọn kiểu hiệu ứng ?\" has no effect code; nothing was sent."},
      {1, 4, nullptr, "", &f.CmdTest, "The effect code -1 does not fit one byte; nothing was sent."},
  });
}

}  // namespace
}  // namespace zl::test
