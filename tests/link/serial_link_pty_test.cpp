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
  void SetUp() override { Start(); }

  // The database gets `sql` on top of the shipped contents; the simulator
  // takes `args` too.
  void Start(const std::string& sql = {}, const QStringList& args = {}) {
    ASSERT_TRUE(dir_.isValid());
    dir = dir_.path().toStdString();
    MakeTestDb(dir, sql);
    sim_.setProgram(ZL_TOOLS_DIR "/zl-board-sim");
    sim_.setArguments(QStringList{"--link", dir_.filePath("COM7")} + args);
    sim_.start();
    ASSERT_TRUE(sim_.waitForStarted(5000));
    ASSERT_TRUE(WaitForLine("LINK")) << out_.toStdString();

    toolkit.app_path = dir;
    db = MakeSqliteDatabase();
    com = MakeQtSerialPort(dir);
    form = std::make_unique<FrmForm>(Services{*db, *com, messages, toolkit});
    form->Form_Load();
  }

  void Connect() {
    const auto& items = form->CmbCOM.Items();
    const auto it = std::find(items.begin(), items.end(), "COM 7");
    ASSERT_NE(it, items.end()) << "COM 7 not listed";
    form->CmbCOM.Choose(int(it - items.begin()));
    form->CmdConnect.PerformClick();
    ASSERT_EQ(form->CmdConnect.Caption(), "DISCONNECT");
  }

  // The simulator's lines that start with `prefix`.
  QStringList Lines(const QString& prefix) const {
    QStringList found;
    for (const QString& line : out_.split('\n'))
      if (line.startsWith(prefix)) found << line;
    return found;
  }
  // Waits until `count` lines start with `prefix`.
  bool WaitForLines(const QString& prefix, int count) {
    QDeadlineTimer deadline(8000);
    while (Lines(prefix).size() < count && !deadline.hasExpired()) {
      sim_.waitForReadyRead(50);
      out_ += QString::fromUtf8(sim_.readAllStandardOutput());
      QCoreApplication::processEvents();
    }
    return Lines(prefix).size() >= count;
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

namespace zl::test {
namespace {

// A port's list as the simulator prints an upload's records.
std::string RecordsOf(const std::string& db_path, int port) {
  const std::string cols = port == 3 ? "CodeFunc, Loop, Delay" : "CodeFunc, Loop, Delay, TxtA, TxtB";
  const std::string rows =
      QueryRows(db_path, "SELECT " + cols + " FROM PORT" + std::to_string(port) + " ORDER BY STT");
  QStringList records;
  for (const QString& row : QString::fromStdString(rows).split('\n', Qt::SkipEmptyParts)) {
    QStringList bytes;
    for (const QString& v : row.split('|')) bytes << QString("%1").arg(v.toInt(), 2, 16, QChar('0')).toUpper();
    records << bytes.join(',');
  }
  return records.join(';').toStdString();
}

class PtyBoard : public PtyLink {
 protected:
  void SetUp() override {}
  static std::string Rows200() {
    std::string sql;
    for (int i = 1; i <= 200; ++i)
      sql += "INSERT INTO PORT1 VALUES (" + std::to_string(i) + ", " + std::to_string(i % 100) +
             ", 'x', " + std::to_string(i % 256) + ", " + std::to_string((i * 7) % 256) +
             ", 1, 40);\n";
    return sql;
  }
  std::string Db() const { return dir + "/Data.mdb"; }
};

TEST_F(PtyBoard, TheBoardReceivesWhatTheDatabaseHolds) {
  Start();
  Connect();
  for (int port = 1; port <= 3; ++port) {
    form->CmbPORT.Choose(port - 1);
    form->TxtMaxport.SetText(std::to_string(10 * port + 5));
    form->CmdMaxport.PerformClick();
    form->CmbFunc.Choose(port);  // a different effect on each port
    for (int n = 1; n <= 3; ++n) {
      form->TxtLoop.SetText(std::to_string(n));
      form->TxtDelay.SetText(std::to_string(255 - n));
      form->CmdAdd.PerformClick();
    }
    form->CmdTest.PerformClick();
    form->CmdSEND.PerformClick();
  }
  ASSERT_TRUE(messages.shown.empty()) << messages.shown[0];
  ASSERT_TRUE(WaitForLines("UPLOAD", 3)) << out_.toStdString();
  ASSERT_TRUE(WaitForLines("TEST", 3));
  const QStringList uploads = Lines("UPLOAD"), caps = Lines("CAPACITY");
  ASSERT_EQ(caps.size(), 3);
  for (int port = 1; port <= 3; ++port) {
    const std::string stored =
        QueryRows(Db(), "SELECT MaxValue FROM MaxPort WHERE Port=" + std::to_string(port));
    EXPECT_EQ(caps[port - 1].toStdString(),
              "CAPACITY port=" + std::to_string(port) + " value=" + stored.substr(0, stored.size() - 1));
    const std::string cap = stored.substr(0, stored.size() - 1);
    EXPECT_EQ(uploads[port - 1].toStdString(),
              "UPLOAD port=" + std::to_string(port) + " cap=" + cap + " n=3 records=" +
                  RecordsOf(Db(), port));
  }
  EXPECT_EQ(Lines("JUNK").size(), 0);
}

TEST_F(PtyBoard, TwoHundredEffectsArriveWholeAndInOrder) {
  Start(Rows200());
  Connect();
  form->CmbPORT.Choose(0);
  form->CmdSEND.PerformClick();
  ASSERT_TRUE(WaitForLines("UPLOAD", 1)) << out_.toStdString();
  EXPECT_EQ(Lines("UPLOAD")[0].toStdString(), "UPLOAD port=1 cap=40 n=200 records=" + RecordsOf(Db(), 1));
}

TEST_F(PtyBoard, ClosingTheWindowRightAfterSendStillDeliversTheFrame) {
  Start(Rows200());
  Connect();
  form->CmbPORT.Choose(0);
  form->CmdSEND.PerformClick();
  form->MnuExit.PerformClick();
  EXPECT_FALSE(com->PortOpen());
  ASSERT_TRUE(WaitForLines("UPLOAD", 1)) << out_.toStdString();
  EXPECT_NE(Lines("UPLOAD")[0].indexOf(" n=200 "), -1);
}

TEST_F(PtyBoard, UnpluggingDuringAnUploadIsReportedAndTheLinkCloses) {
  Start(Rows200(), {"--hangup-after-bytes", "400"});
  Connect();
  form->CmbPORT.Choose(0);
  form->CmdSEND.PerformClick();
  QDeadlineTimer deadline(8000);
  while (form->CmdConnect.Caption() != "CONNECT" && !deadline.hasExpired()) Pump(20);
  EXPECT_EQ(form->CmdConnect.Caption(), "CONNECT");
  EXPECT_FALSE(form->CmbPORT.Enabled());
  EXPECT_EQ(form->LabConnect.Caption(), "Not ! Connect");
  EXPECT_EQ(messages.shown.size(), 1u);
  // The program goes on: the list is still there and can be edited.
  EXPECT_EQ(form->DataGrid.Rows(), 200);
}

}  // namespace
}  // namespace zl::test
