#include <gtest/gtest.h>

#include "support/form_fixture.h"

namespace zl::test {
namespace {

const std::string kConnectFrame = "\xFE\xFD\xF6\x0A\xFF";

using FindSerialPorts = FormTest;

// 20 is the highest number probed, 21 is beyond; 12 has two digits to read back.
TEST_F(FindSerialPorts, ListsThePortsThatOpenInOrderAndChoosingOneSetsUpTheLine) {
  serial.openable = {4, 20, 1, 12, 21};
  Load();
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
  EXPECT_EQ(form->ComNo, 12);
  EXPECT_EQ(serial.calls,
            (std::vector<std::string>{"CommPort=12", "Settings=19200,N,8,1", "InBufferSize=512",
                                      "InputLen=0", "OutBufferSize=512", "OutBufferCount=0",
                                      "InputMode=0", "RThreshold=1", "SThreshold=0"}));
  EXPECT_TRUE(form->CmdConnect.Enabled());
  EXPECT_FALSE(form->CmbPORT.Enabled());
  // CONNECT looks again: a device plugged in since start-up is found.
  const int lists = serial.device_lists;
  form->CmdConnect.PerformClick();
  EXPECT_EQ(serial.device_lists, lists + 1);
}

using LinkConnect = FormTest;

TEST_F(LinkConnect, ConnectShowsEachAnswerAndDisconnectConnectSendsTheFrameAgain) {
  Connect(3);
  FrmForm& f = *form;
  EXPECT_EQ(serial.writes, std::vector<std::string>{kConnectFrame});
  EXPECT_FALSE(f.CmbCOM.Enabled());
  EXPECT_TRUE(f.CmbPORT.Enabled());
  EXPECT_EQ(f.LabConnect.Caption(), "");
  // Each receive event replaces the label with all that came since the last.
  serial.Receive("O");
  EXPECT_EQ(f.LabConnect.Caption(), "O");
  serial.Queue("O");
  serial.Receive("K");
  EXPECT_EQ(f.LabConnect.Caption(), "OK");

  f.CmdConnect.PerformClick();
  EXPECT_FALSE(serial.PortOpen());
  EXPECT_EQ(f.CmdConnect.Caption(), "CONNECT");
  EXPECT_EQ(f.LabConnect.Caption(), "Not ! Connect");
  EXPECT_FALSE(f.CmbCOM.Enabled());
  EXPECT_FALSE(f.CmbPORT.Enabled());

  f.CmdConnect.PerformClick();
  EXPECT_EQ(serial.writes, (std::vector<std::string>{kConnectFrame, kConnectFrame}));
  EXPECT_EQ(serial.opened.back(), 3);
  EXPECT_EQ(f.CmdConnect.Caption(), "DISCONNECT");
  EXPECT_TRUE(messages.shown.empty());
}

// The ways the link ends other than by DISCONNECT: each leaves the closed
// state and says why once, a failed Program stores nothing, and CONNECT
// works again afterwards.
class LinkCloses : public FormTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(LinkCloses, ToTheClosedStateSayingWhyOnce) {
  const std::string how = GetParam();
  Load();
  form->CmbCOM.Choose(1);  // COM 3
  if (how == "OpenRefused") serial.openable.erase(3);
  serial.open_error = SerialError::Kind::Permission;
  serial.fail_writes = how == "ConnectWriteFails";
  form->CmdConnect.PerformClick();
  if (how == "Unplugged") serial.Unplug();
  if (how == "ProgramWriteFails") {
    ChoosePort(1);
    serial.fail_writes = true;
    form->TxtMaxport.SetText("99");
    form->CmdMaxport.PerformClick();
    EXPECT_EQ(Rows("SELECT MaxValue FROM MaxPort WHERE Port=1"), "40\n");
  }
  EXPECT_FALSE(serial.PortOpen());
  EXPECT_EQ(form->CmdConnect.Caption(), "CONNECT");
  EXPECT_FALSE(form->CmbPORT.Enabled());
  EXPECT_EQ(form->LabConnect.Caption(), "Not ! Connect");
  ASSERT_EQ(messages.shown.size(), 1u);
  if (how == "OpenRefused") {
    EXPECT_NE(messages.shown[0].find("COM 3"), std::string::npos) << messages.shown[0];
    EXPECT_TRUE(serial.writes.empty());
    EXPECT_TRUE(form->CmbCOM.Enabled());
  }

  serial.openable.insert(3);
  serial.fail_writes = false;
  form->CmdConnect.PerformClick();
  EXPECT_EQ(form->CmdConnect.Caption(), "DISCONNECT");
  EXPECT_EQ(serial.writes.back(), kConnectFrame);
}

INSTANTIATE_TEST_SUITE_P(Ways, LinkCloses,
                         ::testing::Values("OpenRefused", "ConnectWriteFails", "Unplugged", "ProgramWriteFails"),
                         [](const ::testing::TestParamInfo<std::string>& i) { return i.param; });

}  // namespace
}  // namespace zl::test
