// The window's link through the real serial implementation to the board
// simulator on a pseudo-terminal, linked into the test's directory as COM 7.
// The simulator reads at 19,200 baud, as the board does.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>

#include "app/frm_form.h"
#include "serial/qt/qt_serial_port.h"
#include "storage/sqlite/database.h"
#include "support/fakes.h"
#include "support/testdb.h"

namespace zl::test {
namespace {

class PtyBoard : public ::testing::Test {
 protected:
  // The database gets `sql` on top of the shipped contents; the simulator
  // takes `args` too.
  void Start(const std::string& sql = {}, const QStringList& args = {}) {
    ASSERT_TRUE(dir_.isValid());
    db_path = MakeTestDb(dir_.path().toStdString(), sql);
    sim_.setProgram(ZL_TOOLS_DIR "/zl-board-sim");
    sim_.setArguments(QStringList{"--link", dir_.filePath("COM7"), "--rate", "19200"} + args);
    sim_.start();
    ASSERT_TRUE(sim_.waitForStarted(5000));
    ASSERT_TRUE(WaitForLines("LINK")) << out_.toStdString();
    toolkit.app_path = dir_.path().toStdString();
    db = MakeSqliteDatabase();
    // Only the board's link: the machine's own devices, which another
    // program may be holding, are no part of it.
    com = MakeQtSerialPort(toolkit.app_path, [] { return std::vector<std::string>{}; });
    form = std::make_unique<FrmForm>(Services{*db, *com, messages, toolkit});
    form->Form_Load();
    const auto& items = form->CmbCOM.Items();
    com7 = int(std::find(items.begin(), items.end(), "COM 7") - items.begin());
    ASSERT_LT(com7, int(items.size())) << "COM 7 not listed";
  }

  void Connect() {
    form->CmbCOM.Choose(com7);
    form->CmdConnect.PerformClick();
    ASSERT_EQ(form->CmdConnect.Caption(), "DISCONNECT") << (messages.shown.empty() ? "" : messages.shown[0]);
    ASSERT_TRUE(Until([&] { return com->PendingBytes() == 0; })) << "the connect frame did not leave";
  }

  // `rows` rows on port 1, some of whose bytes equal the frame markers;
  // connected, with port 1 chosen.
  void ListOf(int rows, const QStringList& args = {}) {
    ASSERT_NO_FATAL_FAILURE(
        Start("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(rows) +
                  ") INSERT INTO PORT1 SELECT i, i % 100, 'x', i % 256, i * 7 % 256, 1, 40 FROM n;\n",
              args));
    ASSERT_NO_FATAL_FAILURE(Connect());
    form->CmbPORT.Choose(0);
  }

  // The simulator's complete lines that start with `prefix`.
  QStringList Lines(const QString& prefix) const {
    QStringList found;
    for (const QString& line : out_.left(out_.lastIndexOf('\n') + 1).split('\n'))
      if (line.startsWith(prefix)) found << line;
    return found;
  }
  // Runs the event loop and reads the simulator until `done`, or false after a generous bound.
  bool Until(const std::function<bool()>& done, int ms = 8000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
      sim_.waitForReadyRead(20);
      out_ += QString::fromUtf8(sim_.readAllStandardOutput());
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
  }
  bool WaitForLines(const QString& prefix, int count = 1) {
    return Until([&] { return Lines(prefix).size() >= count; });
  }

  // A port's list as the simulator prints an upload's records, formatted by SQLite.
  std::string RecordsOf(int port) const {
    const std::string hex = port == 3 ? "'%02X,%02X,%02X', CodeFunc, Loop, Delay"
                                      : "'%02X,%02X,%02X,%02X,%02X', CodeFunc, Loop, Delay, TxtA, TxtB";
    QString rows = QString::fromStdString(
        QueryRows(db_path, "SELECT printf(" + hex + ") FROM PORT" + std::to_string(port) + " ORDER BY STT"));
    rows.chop(1);
    return rows.replace('\n', ';').toStdString();
  }

  void TearDown() override {
    form.reset();
    sim_.terminate();
    sim_.waitForFinished(3000);
  }

  QTemporaryDir dir_;
  std::string db_path;
  QProcess sim_;
  QString out_;
  RecordingMessages messages;
  FakeToolkit toolkit;
  std::unique_ptr<Database> db;
  std::unique_ptr<SerialPort> com;
  std::unique_ptr<FrmForm> form;
  int com7 = -1;
};

// CONNECT, then on every port Program, three ADDs, TEST and SEND: what the
// board decodes is what the file holds.
TEST_F(PtyBoard, TheBoardReceivesWhatTheDatabaseHolds) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NO_FATAL_FAILURE(Connect());
  // The board's answer may come in pieces, each replacing the label.
  EXPECT_TRUE(Until([&] { return form->LabConnect.Caption().find('K') != std::string::npos; }));
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
  EXPECT_EQ(Lines("RAW").value(0).toStdString(), "RAW FE FD F6 0A FF");
  const QStringList uploads = Lines("UPLOAD"), tests = Lines("TEST"), caps = Lines("CAPACITY");
  ASSERT_EQ(caps.size(), 3);
  ASSERT_EQ(tests.size(), 3);
  for (int port = 1; port <= 3; ++port) {
    const std::string p = "port=" + std::to_string(port), records = RecordsOf(port);
    std::string cap = QueryRows(db_path, "SELECT MaxValue FROM MaxPort WHERE Port=" + std::to_string(port));
    cap.pop_back();
    EXPECT_EQ(caps[port - 1].toStdString(), "CAPACITY " + p + " value=" + cap);
    // TEST went out with the fields the last ADD stored.
    EXPECT_EQ(tests[port - 1].toStdString(),
              "TEST " + p + " cap=" + cap + " record=" + records.substr(records.rfind(';') + 1));
    EXPECT_EQ(uploads[port - 1].toStdString(), "UPLOAD " + p + " cap=" + cap + " n=3 records=" + records);
  }
  EXPECT_EQ(Lines("JUNK").size(), 0);

  form->CmdConnect.PerformClick();
  EXPECT_EQ(form->LabConnect.Caption(), "Not ! Connect");
  EXPECT_FALSE(com->PortOpen());
}

TEST_F(PtyBoard, ClosingTheWindowRightAfterSendWaitsUntilTheFrameHasLeft) {
  ASSERT_NO_FATAL_FAILURE(ListOf(200));
  form->CmdSEND.PerformClick();
  form->MnuExit.PerformClick();
  // The frame is still with the port: the window stays until it has left.
  EXPECT_FALSE(form->window.Unloaded());
  EXPECT_TRUE(com->PortOpen());
  EXPECT_TRUE(Until([&] { return form->window.Unloaded(); }));
  EXPECT_EQ(toolkit.ended, 1);
  EXPECT_FALSE(com->PortOpen());
  ASSERT_TRUE(WaitForLines("UPLOAD")) << out_.toStdString();
  EXPECT_EQ(Lines("UPLOAD")[0].toStdString(), "UPLOAD port=1 cap=40 n=200 records=" + RecordsOf(1));
  EXPECT_TRUE(messages.shown.empty()) << messages.shown[0];
}

// Three SENDs of 2,000 effects in a row, 30,015 bytes: more than a
// pseudo-terminal takes in at once, so the rest waits with the port as it
// would on the line. The clicks return at once, the status line counts the
// bytes down as they leave, and the board decodes every frame. How long the
// event loop may stall meanwhile is measured by zl_bench.
TEST_F(PtyBoard, TheWindowKeepsAnsweringWhileUploadsLeaveAtTheLineRate) {
  ASSERT_NO_FATAL_FAILURE(ListOf(2000));
  for (int i = 0; i < 3; ++i) form->CmdSEND.PerformClick();
  // The clicks returned with every byte still to go: none waited for the line.
  ASSERT_EQ(com->PendingBytes(), 3 * 10005);
  EXPECT_EQ(form->window.status,
            "Sending the PORT1 list (2,000 effects) and 2 more frames: 30,015 bytes left, about 16 s");

  QStringList statuses;
  EXPECT_TRUE(Until(
      [&] {
        const QString status = QString::fromStdString(form->window.status);
        if (statuses.isEmpty() || statuses.back() != status) statuses << status;
        return com->PendingBytes() == 0 && Lines("UPLOAD").size() >= 3;
      },
      60000));
  ASSERT_EQ(Lines("UPLOAD").size(), 3) << out_.toStdString();
  const std::string upload = "UPLOAD port=1 cap=40 n=2000 records=" + RecordsOf(1);
  for (const QString& line : Lines("UPLOAD")) EXPECT_EQ(line.toStdString(), upload);
  EXPECT_EQ(Lines("JUNK").size(), 0);
  // The bytes the port held were counted down as they left.
  EXPECT_GT(statuses.filter(QRegularExpression("^Sending the PORT1 list \\(2,000 effects\\)")).size(), 2)
      << statuses.join('\n').toStdString();
  EXPECT_EQ(statuses.back().toStdString(), "PORT1 list sent (2,000 effects), and 2 more frames.");
  EXPECT_TRUE(messages.shown.empty()) << messages.shown[0];
}

// The board hangs up while three uploads are still with the port: one
// message names the frame that did not get out, the link closes, and the
// list is still there to edit. The board saw the upload cut short.
TEST_F(PtyBoard, HangingUpWithFramesPendingSaysOnceWhatWasNotSent) {
  ASSERT_NO_FATAL_FAILURE(ListOf(2000, {"--hangup-after-bytes", "400"}));
  for (int i = 0; i < 3; ++i) form->CmdSEND.PerformClick();
  EXPECT_TRUE(Until([&] { return form->CmdConnect.Caption() == "CONNECT"; }));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("\nNot sent: the PORT1 list (2,000 effects)"), std::string::npos)
      << messages.shown[0];
  EXPECT_NE(form->window.status.find("not sent: "), std::string::npos) << form->window.status;
  EXPECT_EQ(form->LabConnect.Caption(), "Not ! Connect");
  EXPECT_TRUE(form->CmdConnect.Enabled());
  EXPECT_FALSE(form->CmbPORT.Enabled());
  EXPECT_EQ(form->DataGrid.Rows(), 2000);

  sim_.waitForFinished(5000);
  ASSERT_EQ(sim_.state(), QProcess::NotRunning);
  out_ += QString::fromUtf8(sim_.readAllStandardOutput());
  const QStringList cut = Lines("INCOMPLETE FE FD FC 28 ");
  ASSERT_EQ(cut.size(), 1) << out_.toStdString();
  EXPECT_EQ((cut[0].size() - 10) / 3, 400 - 5);  // all but the connect frame
  EXPECT_EQ(Lines("HANGUP").value(0).toStdString(), "HANGUP after 400 bytes");
  EXPECT_FALSE(QFileInfo(dir_.filePath("COM7")).isSymLink());
}

}  // namespace
}  // namespace zl::test
