// The board simulator fed frames written here by hand from the byte layout,
// not by the program's frame builders, so a decoder fault cannot hide behind
// the same fault in the program. Its reading at the line's rate drives
// bench/send_stall.cpp.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include "support/hex.h"

namespace zl::test {
namespace {

using Bytes = std::vector<unsigned char>;

std::string Hex(const Bytes& b, char sep = ' ') { return test::Hex(std::string(b.begin(), b.end()), sep); }

// One simulator in its own directory, with the test holding the line's other
// end; its link goes into a folder that is not there yet.
class Sim {
 public:
  bool Start() {
    if (!dir_.isValid()) return false;
    link = dir_.filePath("made-by-the-simulator/COM1");
    proc_.start(ZL_TOOLS_DIR "/zl-board-sim", {"--link", link});
    if (!proc_.waitForStarted(5000) || !WaitFor("LINK ")) return false;
    fd_ = open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY);
    termios tio{};
    if (fd_ < 0 || tcgetattr(fd_, &tio) != 0) return false;
    cfmakeraw(&tio);
    return tcsetattr(fd_, TCSANOW, &tio) == 0;
  }
  ~Sim() {
    if (fd_ >= 0) close(fd_);
    Stop();
  }
  bool Stop() {
    proc_.terminate();
    const bool done = proc_.waitForFinished(5000);
    out_ += proc_.readAllStandardOutput();
    return done && proc_.exitStatus() == QProcess::NormalExit && proc_.exitCode() == 0;
  }
  // A blocking write to a terminal takes all or fails.
  bool Write(const Bytes& b) { return write(fd_, b.data(), b.size()) == ssize_t(b.size()); }
  // Complete lines printed so far that start with `prefix`.
  QStringList Lines(const QString& prefix = {}) const {
    QStringList found;
    for (const QString& line : QString::fromUtf8(out_.left(out_.lastIndexOf('\n') + 1)).split('\n', Qt::SkipEmptyParts))
      if (line.startsWith(prefix)) found << line;
    return found;
  }
  bool WaitFor(const QString& prefix, int count = 1) {
    QDeadlineTimer deadline(5000);
    while (Lines(prefix).size() < count && !deadline.hasExpired()) {
      proc_.waitForReadyRead(50);
      out_ += proc_.readAllStandardOutput();
    }
    return Lines(prefix).size() >= count;
  }
  std::string Out() { return (out_ + proc_.readAllStandardError()).toStdString(); }
  QString link;

 private:
  QTemporaryDir dir_;
  QProcess proc_;
  QByteArray out_;
  int fd_ = -1;
};

// Every operation on every port, then junk between and around them. Nothing
// is escaped, so records and capacities hold the marker values.
TEST(BoardSim, EveryFrameKindOnEveryPortDecodesAndGarbageIsJunk) {
  Sim sim;
  ASSERT_TRUE(sim.Start()) << sim.Out();
  Bytes many{0xFE, 0xFD, 0xFC, 200};  // port 1's upload, 200 records
  std::string records;
  for (unsigned char i = 0; i < 200; ++i) {
    const Bytes r{i, Bytes::value_type(i * 7), Bytes::value_type(255 - i), Bytes::value_type(i % 41), 0xFE};
    many.insert(many.end(), r.begin(), r.end());
    records += (i ? ";" : "") + Hex(r, ',');
  }
  many.push_back(0xFF);
  const std::pair<Bytes, std::string> frames[] = {
      {{0xFE, 0xFD, 0xF6, 0x0A, 0xFF}, "CONNECT"},
      {many, "UPLOAD port=1 cap=200 n=200 records=" + records},
      {{0xFE, 0xFD, 0xFB, 0xFF, 0xFE, 0xFD, 0xFF, 0xFE, 0xFF, 0xFD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
       "UPLOAD port=2 cap=255 n=2 records=FE,FD,FF,FE,FF;FD,FF,FF,FF,FF"},
      {{0xFE, 0xFD, 0xFA, 0x0A, 0x01, 0xFF, 0xFE, 0xFD, 0x02, 0xFF, 0xFF},
       "UPLOAD port=3 cap=10 n=2 records=01,FF,FE;FD,02,FF"},
      {{0xFE, 0xFD, 0xF5, 0xFF, 0xFF}, "CAPACITY port=1 value=255"},
      {{0xFE, 0xFD, 0xF4, 0x64, 0xFF}, "CAPACITY port=2 value=100"},
      {{0xFE, 0xFD, 0xF3, 0xFE, 0xFF}, "CAPACITY port=3 value=254"},
      {{0xFE, 0xFD, 0xF9, 0x28, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "TEST port=1 cap=40 record=FF,FF,FF,FF,FF"},
      {{0xFE, 0xFD, 0xF8, 0x01, 0x07, 0x01, 0x0A, 0x05, 0x14, 0xFF}, "TEST port=2 cap=1 record=07,01,0A,05,14"},
      {{0xFE, 0xFD, 0xF7, 0x0A, 0x02, 0x03, 0x04, 0xFF}, "TEST port=3 cap=10 record=02,03,04"},
      // A lone FE, an unknown operation, a connect with a wrong data byte and
      // a test frame whose end byte is an FE: with the next frame's own FE, a
      // doubled start byte.
      {{0xFE, 0x03, 0xFE, 0xFD, 0x00, 0xFD, 0xFE, 0xFD, 0xF6, 0x0B, 0xFF,
        0xFE, 0xFD, 0xF9, 0x01, 0x01, 0x02, 0x03, 0x04, 0x05, 0xFE},
       "JUNK"},
      {{0xFE, 0xFD, 0xF5, 0x07, 0xFF}, "CAPACITY port=1 value=7"},
  };
  QStringList expected;
  std::string junk;
  for (const auto& [frame, what] : frames) {
    ASSERT_TRUE(sim.Write(frame));
    if (what == "JUNK")
      junk = Hex(frame);
    else
      expected << QString::fromStdString(what) << QString::fromStdString("RAW " + Hex(frame));
  }
  // A start byte still waiting for its second when the simulator stops is
  // junk too; the link goes with it.
  ASSERT_TRUE(sim.WaitFor("RAW ", 11)) << sim.Out();
  ASSERT_TRUE(sim.Write({0xFE}));
  QThread::msleep(150);
  ASSERT_TRUE(sim.Stop()) << sim.Out();
  EXPECT_FALSE(QFileInfo(sim.link).isSymLink());
  // However the junk is split into lines, every byte is there once, in order.
  QStringList junk_lines, rest;
  for (const QString& line : sim.Lines().mid(2)) (line.startsWith("JUNK ") ? junk_lines : rest) << line;
  EXPECT_EQ(junk_lines.join(' ').remove("JUNK ").toStdString(), junk + " FE");
  EXPECT_EQ(rest.join('\n').toStdString(), expected.join('\n').toStdString());
}

}  // namespace
}  // namespace zl::test
