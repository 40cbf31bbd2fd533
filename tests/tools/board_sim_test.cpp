// The board simulator fed frames written here by hand from the byte layout,
// not by the program's frame builders, so a decoder fault cannot hide behind
// the same fault in the program. The line rate and hang-ups are in
// tests/app/serial_link_pty_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
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

namespace zl::test {
namespace {

using Bytes = std::vector<unsigned char>;

std::string Hex(const Bytes& b, char sep = ' ') {
  return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())).toHex(sep).toUpper().toStdString();
}

std::string RecordsText(const std::vector<Bytes>& records) {
  std::string s;
  for (size_t i = 0; i < records.size(); ++i) s += (i ? ";" : "") + Hex(records[i], ',');
  return s;
}

// FE FD, operation byte, capacity byte, records, FF.
Bytes Frame(unsigned char op, unsigned char cap, const std::vector<Bytes>& records = {}) {
  Bytes f{0xFE, 0xFD, op, cap};
  for (const Bytes& r : records) f.insert(f.end(), r.begin(), r.end());
  f.push_back(0xFF);
  return f;
}

// One simulator in its own directory, with the test holding the line's other
// end; its link goes into a folder that is not there yet.
class Sim {
 public:
  bool Start(const QStringList& args) {
    if (!dir_.isValid()) return false;
    link = dir_.filePath("made-by-the-simulator/COM1");
    proc_.setProgram(ZL_TOOLS_DIR "/zl-board-sim");
    proc_.setArguments(QStringList{"--link", link} + args);
    proc_.start();
    if (!proc_.waitForStarted(5000) || !WaitFor("LINK ")) return false;
    // The link has to lead to the pty the simulator announced.
    const QStringList pty = Lines("PTY ");
    if (pty.size() != 1 || QFileInfo(link).symLinkTarget() != pty[0].mid(4)) return false;
    fd_ = open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY);
    termios tio{};
    if (fd_ < 0 || tcgetattr(fd_, &tio) != 0) return false;
    cfmakeraw(&tio);
    return tcsetattr(fd_, TCSANOW, &tio) == 0;
  }
  ~Sim() {
    // Unread answers would hold the simulator's exit back.
    if (fd_ >= 0) {
      tcflush(fd_, TCIOFLUSH);
      close(fd_);
    }
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
  // Complete lines printed so far that start with `prefix`; a line still
  // being written is left out so it is never compared half done.
  QStringList Lines(const QString& prefix = {}) const {
    QStringList found;
    const QString done = QString::fromUtf8(out_.left(out_.lastIndexOf('\n') + 1));
    for (const QString& line : done.split('\n', Qt::SkipEmptyParts))
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
  // What the simulator sent back on the line, once `n` bytes came or time ran out.
  std::string ReadAnswer(size_t n) {
    std::string got;
    char buf[256];
    pollfd p{fd_, POLLIN, 0};
    while (got.size() < n && poll(&p, 1, 5000) > 0) {
      const ssize_t r = read(fd_, buf, sizeof buf);
      if (r <= 0) break;
      got.append(buf, size_t(r));
    }
    return got;
  }
  std::string Out() { return (out_ + proc_.readAllStandardError()).toStdString(); }
  QString link;

 private:
  QTemporaryDir dir_;
  QProcess proc_;
  QByteArray out_;
  int fd_ = -1;
};

// Every operation on every port. Nothing is escaped, so records and
// capacities hold the marker values; port 1's upload has 200 records. Each
// frame is answered and followed by the ports' state. Then garbage: it is
// junk, and the frame after it still decodes.
TEST(BoardSim, EveryFrameKindOnEveryPortDecodesAndGarbageIsJunk) {
  Sim sim;
  ASSERT_TRUE(sim.Start({"--answer", "HI", "--state"})) << sim.Out();
  // Codes 0..199 never FF; the other fields run through FE, FD and FF.
  std::vector<Bytes> many;
  for (unsigned char i = 0; i < 200; ++i)
    many.push_back({i, Bytes::value_type(i * 7), Bytes::value_type(255 - i), Bytes::value_type(i % 41),
                    Bytes::value_type(200 - i)});
  // Markers as capacity, as codes and after the last record.
  const std::vector<Bytes> markers{
      {0xFE, 0xFD, 0xFF, 0xFE, 0xFF}, {0xFD, 0xFF, 0xFF, 0xFF, 0xFF}, {0x00, 0xFE, 0xFD, 0xFF, 0xFF}};
  const std::vector<Bytes> port3{{0x01, 0xFF, 0xFE}, {0xFD, 0x02, 0xFF}}, again{{0x09, 0x01, 0x02}};
  const Bytes connect{0xFE, 0xFD, 0xF6, 0x0A, 0xFF};
  const std::pair<Bytes, std::string> frames[] = {
      {connect, "CONNECT"},
      {Frame(0xFC, 200, many), "UPLOAD port=1 cap=200 n=200 records=" + RecordsText(many)},
      {Frame(0xFB, 0xFF, markers), "UPLOAD port=2 cap=255 n=3 records=" + RecordsText(markers)},
      {Frame(0xFA, 0x0A, port3), "UPLOAD port=3 cap=10 n=2 records=" + RecordsText(port3)},
      {{0xFE, 0xFD, 0xF5, 0xFF, 0xFF}, "CAPACITY port=1 value=255"},
      {{0xFE, 0xFD, 0xF4, 0x64, 0xFF}, "CAPACITY port=2 value=100"},
      {{0xFE, 0xFD, 0xF3, 0xFE, 0xFF}, "CAPACITY port=3 value=254"},
      {Frame(0xF9, 0x28, {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}), "TEST port=1 cap=40 record=FF,FF,FF,FF,FF"},
      {Frame(0xF8, 0x01, {{0x07, 0x01, 0x0A, 0x05, 0x14}}), "TEST port=2 cap=1 record=07,01,0A,05,14"},
      {{0xFE, 0xFD, 0xF7, 0x0A, 0x02, 0x03, 0x04, 0xFF}, "TEST port=3 cap=10 record=02,03,04"},
      {Frame(0xFA, 0x0C, again), "UPLOAD port=3 cap=12 n=1 records=09,01,02"},  // replaces port 3's program
  };
  QStringList expected;
  for (const auto& [frame, what] : frames) {
    if (frame == connect) {
      // Pauses longer than the simulator's idle time between the pieces.
      for (const Bytes& piece : {Bytes{0xFE}, Bytes{0xFD, 0xF6}, Bytes{0x0A}, Bytes{0xFF}}) {
        ASSERT_TRUE(sim.Write(piece));
        QThread::msleep(150);
      }
    } else {
      ASSERT_TRUE(sim.Write(frame));
    }
    expected << QString::fromStdString(what) << QString::fromStdString("RAW " + Hex(frame));
  }
  ASSERT_TRUE(sim.WaitFor("STATE ", 11)) << sim.Out();  // a frame's STATE line comes last
  const auto decoded = [&] {
    QStringList lines = sim.Lines().mid(2);  // after PTY and LINK
    lines.removeIf([](const QString& l) { return l.startsWith("STATE "); });
    return lines;
  };
  EXPECT_EQ(decoded().join('\n').toStdString(), expected.join('\n').toStdString());
  // One state a frame; tests change none.
  const QStringList states = sim.Lines("STATE ");
  EXPECT_EQ(states.value(1).toStdString(), "STATE port1=cap:200,n:200 port2=cap:-,n:0 port3=cap:-,n:0");
  EXPECT_EQ(states.value(10).toStdString(), "STATE port1=cap:255,n:200 port2=cap:100,n:3 port3=cap:12,n:1");

  // Garbage alone is reported once the line goes quiet.
  ASSERT_TRUE(sim.Write({0x00, 0x41, 0xFF}));
  ASSERT_TRUE(sim.WaitFor("JUNK ")) << sim.Out();
  EXPECT_EQ(sim.Lines("JUNK ").join('\n').toStdString(), "JUNK 00 41 FF");
  // A lone FE, an unknown operation, a connect with a wrong data byte and a
  // test frame whose end byte is an FE: with the good frame's own FE, a
  // doubled start byte.
  const Bytes garbage{0xFE, 0x03, 0xFE, 0xFD, 0x00, 0xFD, 0xFE, 0xFD, 0xF6, 0x0B, 0xFF,
                      0xFE, 0xFD, 0xF9, 0x01, 0x01, 0x02, 0x03, 0x04, 0x05, 0xFE};
  const Bytes good{0xFE, 0xFD, 0xF5, 0x07, 0xFF};
  Bytes bytes = garbage;
  bytes.insert(bytes.end(), good.begin(), good.end());
  ASSERT_TRUE(sim.Write(bytes));
  ASSERT_TRUE(sim.WaitFor("RAW ", 12)) << sim.Out();
  // However the junk is split into lines, every byte is there once, in order.
  QStringList junk, rest;
  for (const QString& line : decoded()) (line.startsWith("JUNK ") ? junk : rest) << line;
  for (QString& line : junk) line.remove(0, 5);
  EXPECT_EQ(junk.join(' ').toStdString(), "00 41 FF " + Hex(garbage));
  expected << "CAPACITY port=1 value=7" << QString::fromStdString("RAW " + Hex(good));
  EXPECT_EQ(rest.join('\n').toStdString(), expected.join('\n').toStdString());
  EXPECT_EQ(sim.ReadAnswer(24), QByteArray("HI").repeated(12).toStdString());  // one answer a frame

  // A start byte still waiting for its second when the simulator stops is
  // junk too; the link goes with it.
  ASSERT_TRUE(sim.Write({0xFE}));
  QThread::msleep(150);
  ASSERT_TRUE(sim.Stop()) << sim.Out();
  EXPECT_EQ(sim.Lines().last().toStdString(), "JUNK FE");
  EXPECT_FALSE(QFileInfo(sim.link).isSymLink());
}

}  // namespace
}  // namespace zl::test
