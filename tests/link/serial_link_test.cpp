#include <gtest/gtest.h>

#include "support/form_fixture.h"

namespace zl::test {
namespace {

const std::string kConnectFrame = "\xFE\xFD\xF6\x0A\xFF";

using FindPorts = FormTest;

TEST_F(FindPorts, ListsExactlyThePortsThatOpenInOrder) {
  serial.openable = {4, 1, 3, 21};
  Load();
  EXPECT_EQ(form->CmbCOM.Items(), (std::vector<std::string>{"COM 1", "COM 3", "COM 4"}));
  EXPECT_EQ(form->CmbCOM.Text(), "COM ?");
  EXPECT_EQ(form->CmbCOM.ItemTip(1), serial.DevicePath(3));
  EXPECT_FALSE(serial.PortOpen());
  EXPECT_EQ(serial.opened, (std::vector<std::int16_t>{1, 3, 4}));
}

TEST_F(FindPorts, NoOpenablePortLeavesTheListEmptyAndConnectDisabled) {
  serial.openable = {};
  Load();
  EXPECT_EQ(form->CmbCOM.ListCount(), 0);
  EXPECT_EQ(form->CmbCOM.Text(), "COM ?");
  EXPECT_FALSE(form->CmdConnect.Enabled());
}

using ChooseSerialPort = FormTest;

TEST_F(ChooseSerialPort, PortTwelveConfiguresTheLineAndEnablesConnect) {
  serial.openable = {12};
  Load();
  serial.calls.clear();
  form->CmbCOM.Choose(0);
  EXPECT_EQ(form->ComNo, 12);
  EXPECT_EQ(serial.calls,
            (std::vector<std::string>{"CommPort=12", "Settings=19200,N,8,1", "InBufferSize=512",
                                      "InputLen=0", "OutBufferSize=512", "OutBufferCount=0",
                                      "InputMode=0", "RThreshold=1", "SThreshold=0"}));
  EXPECT_TRUE(form->CmdConnect.Enabled());
  EXPECT_FALSE(form->CmbPORT.Enabled());
  EXPECT_FALSE(serial.PortOpen());
}

using LinkConnect = FormTest;

TEST_F(LinkConnect, ConnectDisconnectConnectSendsTheFrameTwice) {
  Connect(3);
  FrmForm& f = *form;
  EXPECT_EQ(serial.writes, std::vector<std::string>{kConnectFrame});
  EXPECT_FALSE(f.CmbCOM.Enabled());
  EXPECT_TRUE(f.CmbPORT.Enabled());
  EXPECT_EQ(f.LabConnect.Caption(), "");

  serial.Receive("OK");
  f.CmdConnect.PerformClick();
  EXPECT_FALSE(serial.PortOpen());
  EXPECT_EQ(f.CmdConnect.Caption(), "CONNECT");
  EXPECT_EQ(f.LabConnect.Caption(), "Not ! Connect");
  EXPECT_FALSE(f.CmbCOM.Enabled());
  EXPECT_FALSE(f.CmbPORT.Enabled());

  f.CmdConnect.PerformClick();
  EXPECT_TRUE(serial.PortOpen());
  EXPECT_EQ(serial.writes, (std::vector<std::string>{kConnectFrame, kConnectFrame}));
  EXPECT_EQ(serial.opened.back(), 3);
  EXPECT_FALSE(f.CmbCOM.Enabled());
  EXPECT_TRUE(f.CmbPORT.Enabled());
  EXPECT_EQ(f.CmdConnect.Caption(), "DISCONNECT");
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(LinkConnect, ReceivedTextReplacesTheLabelOnEachEvent) {
  Connect();
  serial.Receive("O");
  EXPECT_EQ(form->LabConnect.Caption(), "O");
  serial.Receive("K");
  EXPECT_EQ(form->LabConnect.Caption(), "K");
  serial.Queue("O");
  serial.Receive("K");
  EXPECT_EQ(form->LabConnect.Caption(), "OK");
}

TEST_F(LinkConnect, AnOpenThatFailsLeavesTheLinkClosedAndSaysWhy) {
  Load();
  form->CmbCOM.Choose(1);  // COM 3
  serial.openable.erase(3);
  serial.open_error = SerialError::Kind::Permission;
  form->CmdConnect.PerformClick();
  EXPECT_FALSE(serial.PortOpen());
  EXPECT_TRUE(serial.writes.empty());
  EXPECT_EQ(form->CmdConnect.Caption(), "CONNECT");
  EXPECT_TRUE(form->CmbCOM.Enabled());
  EXPECT_FALSE(form->CmbPORT.Enabled());
  EXPECT_EQ(form->LabConnect.Caption(), "Not ! Connect");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("COM 3"), std::string::npos);
}

TEST_F(LinkConnect, AConnectFrameThatCannotBeWrittenClosesTheLink) {
  Load();
  form->CmbCOM.Choose(0);
  serial.fail_writes = true;
  form->CmdConnect.PerformClick();
  EXPECT_FALSE(serial.PortOpen());
  EXPECT_EQ(form->CmdConnect.Caption(), "CONNECT");
  EXPECT_FALSE(form->CmbPORT.Enabled());
  EXPECT_EQ(form->LabConnect.Caption(), "Not ! Connect");
  EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(LinkConnect, UnpluggingWhileOpenReturnsToTheClosedState) {
  Connect();
  serial.Receive("OK");
  serial.Unplug();
  EXPECT_EQ(form->CmdConnect.Caption(), "CONNECT");
  EXPECT_FALSE(form->CmbPORT.Enabled());
  EXPECT_EQ(form->LabConnect.Caption(), "Not ! Connect");
  EXPECT_EQ(messages.shown.size(), 1u);
  // CONNECT works again once the device is back.
  form->CmdConnect.PerformClick();
  EXPECT_EQ(form->CmdConnect.Caption(), "DISCONNECT");
  EXPECT_EQ(serial.writes.size(), 2u);
}

}  // namespace
}  // namespace zl::test
