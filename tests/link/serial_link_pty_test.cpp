// The window's link through the real serial implementation to the board
// simulator on a pseudo-terminal, linked into the executable's directory.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "app/frm_form.h"
#include "platform/qt_serial.h"
#include "platform/sqlite_database.h"
#include "support/fakes.h"
#include "support/testdb.h"

namespace zl::test {
namespace {

class PtyLink : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    dir = dir_.path().toStdString();
    MakeTestDb(dir);
    sim_.setProgram(ZL_TOOLS_DIR "/zl-board-sim");
    sim_.setArguments({"--link", dir_.filePath("COM7")});
    sim_.start();
    ASSERT_TRUE(sim_.waitForStarted(5000));
    ASSERT_TRUE(WaitForLine("LINK")) << out_.toStdString();

    toolkit.app_path = dir;
    db = MakeSqliteDatabase();
    com = MakeQtSerialPort(dir);
    form = std::make_unique<FrmForm>(Services{*db, *com, messages, toolkit});
    form->Form_Load();
  }

  void TearDown() override {
    form.reset();
    sim_.terminate();
    sim_.waitForFinished(3000);
  }

  // Runs the event loop until the simulator printed a line starting with
  // `prefix`, or a few seconds passed.
  bool WaitForLine(const QString& prefix) {
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
      sim_.waitForReadyRead(50);
      out_ += QString::fromUtf8(sim_.readAllStandardOutput());
      for (const QString& line : out_.split('\n'))
        if (line.startsWith(prefix)) return true;
      QCoreApplication::processEvents();
    }
    return false;
  }

  void Pump(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }

  QTemporaryDir dir_;
  std::string dir;
  QProcess sim_;
  QString out_;
  RecordingMessages messages;
  FakeToolkit toolkit;
  std::unique_ptr<Database> db;
  std::unique_ptr<SerialPort> com;
  std::unique_ptr<FrmForm> form;
};

TEST_F(PtyLink, ConnectSendsExactlyTheConnectFrameAndShowsTheAnswer) {
  const auto& items = form->CmbCOM.Items();
  const auto it = std::find(items.begin(), items.end(), "COM 7");
  ASSERT_NE(it, items.end()) << "COM 7 not listed";
  EXPECT_EQ(form->CmbCOM.ItemTip(int(it - items.begin())).rfind("/dev/pts/", 0), 0u);
  form->CmbCOM.Choose(int(it - items.begin()));
  form->CmdConnect.PerformClick();
  ASSERT_EQ(form->CmdConnect.Caption(), "DISCONNECT") << (messages.shown.empty() ? "" : messages.shown[0]);

  ASSERT_TRUE(WaitForLine("RAW")) << out_.toStdString();
  EXPECT_TRUE(out_.contains("\nRAW FE FD F6 0A FF\n")) << out_.toStdString();
  EXPECT_TRUE(out_.contains("\nCONNECT")) << out_.toStdString();

  QDeadlineTimer deadline(5000);
  while (form->LabConnect.Caption().find('K') == std::string::npos && !deadline.hasExpired())
    Pump(20);
  EXPECT_NE(form->LabConnect.Caption().find('K'), std::string::npos);

  form->CmdConnect.PerformClick();
  EXPECT_EQ(form->LabConnect.Caption(), "Not ! Connect");
  EXPECT_FALSE(com->PortOpen());
}

}  // namespace
}  // namespace zl::test
