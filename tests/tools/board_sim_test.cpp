// The board simulator fed frames written here by hand from the byte layout,
// not by the program's frame builders, so a decoder fault cannot hide behind
// the same fault in the program.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
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
  return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()))
      .toHex(sep).toUpper().toStdString();
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

// The RAW lines the simulator should print for `frames`.
std::string RawLines(const std::vector<Bytes>& frames) {
  std::string s;
  for (const Bytes& f : frames) s += (s.empty() ? "RAW " : "\nRAW ") + Hex(f);
  return s;
}

const Bytes kConnect{0xFE, 0xFD, 0xF6, 0x0A, 0xFF};

// One simulator in its own directory, with the test holding the line's other end.
class Sim {
 public:
  bool Start(const QStringList& args = {}) {
    if (!dir_.isValid()) return false;
    link_ = dir_.filePath("COM1");
    proc_.setProgram(ZL_TOOLS_DIR "/zl-board-sim");
    proc_.setArguments(QStringList{"--link", link_} + args);
    proc_.start();
    if (!proc_.waitForStarted(5000) || !WaitFor("LINK ")) return false;
    // The link has to lead to the pty the simulator announced.
    const QStringList pty = Lines("PTY ");
    if (pty.size() != 1 || QFileInfo(link_).symLinkTarget() != pty[0].mid(4)) return false;
    fd_ = open(QFile::encodeName(link_).constData(), O_RDWR | O_NOCTTY);
    termios tio{};
    if (fd_ < 0 || tcgetattr(fd_, &tio) != 0) return false;
    cfmakeraw(&tio);
    return tcsetattr(fd_, TCSANOW, &tio) == 0;
  }
  ~Sim() {
    // Unread answers would hold the simulator's exit back.
    if (fd_ >= 0) tcflush(fd_, TCIOFLUSH);
    if (fd_ >= 0) close(fd_);
    proc_.terminate();
    proc_.waitForFinished(3000);
  }
  bool Write(const Bytes& b) {
    for (size_t done = 0; done < b.size();) {
      const ssize_t n = write(fd_, b.data() + done, b.size() - done);
      if (n > 0) done += size_t(n);
      else if (errno != EINTR) return false;
    }
    return true;
  }
  bool Write(const std::vector<Bytes>& frames) {
    for (const Bytes& f : frames)
      if (!Write(f)) return false;
    return true;
  }
  // Complete lines printed so far that start with `prefix`; a line still
  // being written is left out so it is never compared half done.
  QStringList Lines(const QString& prefix = {}) const {
    const QString text = QString::fromUtf8(out_.left(out_.lastIndexOf('\n') + 1));
    QStringList found;
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts))
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
  // The lines about frames, joined: everything but start-up and RAW lines.
  std::string Decoded() const {
    QStringList keep;
    for (const QString& line : Lines())
      if (!line.startsWith("PTY ") && !line.startsWith("LINK ") && !line.startsWith("RAW "))
        keep << line;
    return keep.join('\n').toStdString();
  }
  std::string Raw() const { return Lines("RAW ").join('\n').toStdString(); }
  // What the simulator sent back on the line, once `n` bytes came or time ran out.
  std::string ReadAnswer(size_t n) {
    std::string got;
    QDeadlineTimer deadline(5000);
    while (got.size() < n && !deadline.hasExpired()) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, int(deadline.remainingTime())) <= 0) break;
      char buf[256];
      const ssize_t r = read(fd_, buf, sizeof buf);
      if (r <= 0) break;
      got.append(buf, size_t(r));
    }
    return got;
  }
  bool Finished() {
    const bool done = proc_.waitForFinished(5000);
    out_ += proc_.readAllStandardOutput();
    return done && proc_.exitStatus() == QProcess::NormalExit && proc_.exitCode() == 0;
  }
  std::string Out() { return (out_ + proc_.readAllStandardError()).toStdString(); }
  int fd() const { return fd_; }
  QString link() const { return link_; }

 private:
  QTemporaryDir dir_;
  QString link_;
  QProcess proc_;
  QByteArray out_;
  int fd_ = -1;
};

TEST(BoardSim, ConnectIsDecodedAndAnsweredAlsoWhenWrittenInPieces) {
  Sim sim;
  ASSERT_TRUE(sim.Start({"--answer", "HI 42"})) << sim.Out();
  ASSERT_TRUE(sim.Write(kConnect));
  ASSERT_TRUE(sim.WaitFor("RAW ")) << sim.Out();
  EXPECT_EQ(sim.Decoded(), "CONNECT");
  EXPECT_EQ(sim.Raw(), RawLines({kConnect}));
  EXPECT_EQ(sim.ReadAnswer(5), "HI 42");
  // Pauses longer than the simulator's idle time between the pieces.
  for (const Bytes& piece : {Bytes{0xFE}, Bytes{0xFD, 0xF6}, Bytes{0x0A}, Bytes{0xFF}}) {
    ASSERT_TRUE(sim.Write(piece));
    QThread::msleep(150);
  }
  // A different frame after it: a second decoding would be printed before it.
  ASSERT_TRUE(sim.Write({0xFE, 0xFD, 0xF4, 0x64, 0xFF}));
  ASSERT_TRUE(sim.WaitFor("CAPACITY ")) << sim.Out();
  EXPECT_EQ(sim.Decoded(), "CONNECT\nCONNECT\nCAPACITY port=2 value=100") << sim.Out();
  EXPECT_EQ(sim.ReadAnswer(10), "HI 42HI 42");
}

TEST(BoardSim, UploadsKeepEveryRecordInOrderWhateverTheByteValues) {
  Sim sim;
  ASSERT_TRUE(sim.Start()) << sim.Out();
  // Codes 0..199 never FF; the other fields run through FE, FD and FF.
  std::vector<Bytes> many;
  for (unsigned char i = 0; i < 200; ++i)
    many.push_back({i, Bytes::value_type(i * 7), Bytes::value_type(255 - i), Bytes::value_type(i % 41),
                    Bytes::value_type(200 - i)});
  // Markers as capacity, as codes and after the last record.
  const std::vector<Bytes> markers{{0xFE, 0xFD, 0xFF, 0xFE, 0xFF},
                                   {0xFD, 0xFF, 0xFF, 0xFF, 0xFF},
                                   {0x00, 0xFE, 0xFD, 0xFF, 0xFF}};
  const std::vector<Bytes> port3{{0x01, 0xFF, 0xFE}, {0xFD, 0x02, 0xFF}};
  const std::vector<Bytes> frames{Frame(0xFC, 200, many), Frame(0xFB, 0xFF, markers),
                                  Frame(0xFA, 0x0A, port3)};
  ASSERT_TRUE(sim.Write(frames));
  ASSERT_TRUE(sim.WaitFor("RAW ", 3)) << sim.Out();

  EXPECT_EQ(sim.Decoded(), "UPLOAD port=1 cap=200 n=200 records=" + RecordsText(many) +
                               "\nUPLOAD port=2 cap=255 n=3 records=" + RecordsText(markers) +
                               "\nUPLOAD port=3 cap=10 n=2 records=" + RecordsText(port3));
  EXPECT_EQ(sim.Raw(), RawLines(frames));
}

TEST(BoardSim, TestAndCapacityFramesOnEveryPort) {
  Sim sim;
  ASSERT_TRUE(sim.Start()) << sim.Out();
  const std::vector<Bytes> frames{
      Frame(0xF9, 0x28, {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}),
      Frame(0xF8, 0x01, {{0x07, 0x01, 0x0A, 0x05, 0x14}}),
      {0xFE, 0xFD, 0xF7, 0x0A, 0x02, 0x03, 0x04, 0xFF},
      {0xFE, 0xFD, 0xF5, 0xFF, 0xFF},
      {0xFE, 0xFD, 0xF4, 0x64, 0xFF},
      {0xFE, 0xFD, 0xF3, 0xFE, 0xFF},
  };
  ASSERT_TRUE(sim.Write(frames));
  ASSERT_TRUE(sim.WaitFor("RAW ", 6)) << sim.Out();
  EXPECT_EQ(sim.Decoded(),
            "TEST port=1 cap=40 record=FF,FF,FF,FF,FF\n"
            "TEST port=2 cap=1 record=07,01,0A,05,14\n"
            "TEST port=3 cap=10 record=02,03,04\n"
            "CAPACITY port=1 value=255\n"
            "CAPACITY port=2 value=100\n"
            "CAPACITY port=3 value=254");
  EXPECT_EQ(sim.Raw(), RawLines(frames));
}

TEST(BoardSim, GarbageIsReportedAsJunkAndTheNextFrameStillDecodes) {
  Sim sim;
  ASSERT_TRUE(sim.Start()) << sim.Out();
  // Garbage alone is reported once the line goes quiet.
  ASSERT_TRUE(sim.Write({0x00, 0x41, 0xFF}));
  ASSERT_TRUE(sim.WaitFor("JUNK ")) << sim.Out();
  EXPECT_EQ(sim.Decoded(), "JUNK 00 41 FF");
  // A lone FE, an unknown operation, a connect with a wrong data byte, a
  // doubled FE and a test frame whose end byte is missing, so the good frame
  // starts where its FF should be.
  const Bytes garbage{0xFE, 0x03, 0xFE, 0xFD, 0x00, 0xFD, 0xFE, 0xFD, 0xF6, 0x0B, 0xFF,
                      0xFE, 0xFE, 0xFD, 0xF9, 0x01, 0x01, 0x02, 0x03, 0x04, 0x05};
  Bytes bytes = garbage;
  for (unsigned char c : {0xFE, 0xFD, 0xF5, 0x07, 0xFF}) bytes.push_back(c);
  ASSERT_TRUE(sim.Write(bytes));
  ASSERT_TRUE(sim.WaitFor("CAPACITY ")) << sim.Out();
  // However the junk is split into lines, every byte is there once, in order.
  QStringList junk, rest;
  for (const QString& line : QString::fromStdString(sim.Decoded()).split('\n'))
    (line.startsWith("JUNK ") ? junk : rest) << line;
  for (QString& line : junk) line.remove(0, 5);
  EXPECT_EQ(junk.join(' ').toStdString(), "00 41 FF " + Hex(garbage));
  EXPECT_EQ(rest.join('\n').toStdString(), "CAPACITY port=1 value=7");
  EXPECT_EQ(sim.Raw(), "RAW FE FD F5 07 FF");
}

TEST(BoardSim, StateShowsEachPortsProgramAndCapacity) {
  Sim sim;
  ASSERT_TRUE(sim.Start({"--state"})) << sim.Out();
  const std::vector<Bytes> frames{
      kConnect,
      {0xFE, 0xFD, 0xFC, 0x28, 0x03, 0x02, 0x05, 0x01, 0x28, 0x07, 0x01, 0x0A, 0x05, 0x14, 0xFF},
      {0xFE, 0xFD, 0xF4, 0x64, 0xFF},
      Frame(0xFA, 0x0A, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}),
      Frame(0xFC, 0x32, {{9, 1, 2, 3, 4}}),  // replaces port 1's program
      {0xFE, 0xFD, 0xF3, 0x0C, 0xFF},
  };
  ASSERT_TRUE(sim.Write(frames));
  ASSERT_TRUE(sim.WaitFor("STATE ", 6)) << sim.Out();
  EXPECT_EQ(sim.Decoded(),
            "CONNECT\n"
            "STATE port1=cap:-,n:0 port2=cap:-,n:0 port3=cap:-,n:0\n"
            "UPLOAD port=1 cap=40 n=2 records=03,02,05,01,28;07,01,0A,05,14\n"
            "STATE port1=cap:40,n:2 port2=cap:-,n:0 port3=cap:-,n:0\n"
            "CAPACITY port=2 value=100\n"
            "STATE port1=cap:40,n:2 port2=cap:100,n:0 port3=cap:-,n:0\n"
            "UPLOAD port=3 cap=10 n=3 records=01,02,03;04,05,06;07,08,09\n"
            "STATE port1=cap:40,n:2 port2=cap:100,n:0 port3=cap:10,n:3\n"
            "UPLOAD port=1 cap=50 n=1 records=09,01,02,03,04\n"
            "STATE port1=cap:50,n:1 port2=cap:100,n:0 port3=cap:10,n:3\n"
            "CAPACITY port=3 value=12\n"
            "STATE port1=cap:50,n:1 port2=cap:100,n:0 port3=cap:12,n:3");
}

TEST(BoardSim, HangupAfterBytesClosesTheLine) {
  Sim sim;
  ASSERT_TRUE(sim.Start({"--hangup-after-bytes", "7"})) << sim.Out();
  // Seven bytes: the connect frame and the first two of a capacity frame.
  ASSERT_TRUE(sim.Write({0xFE, 0xFD, 0xF6, 0x0A, 0xFF, 0xFE, 0xFD, 0xF4, 0x64, 0xFF}));
  ASSERT_TRUE(sim.WaitFor("HANGUP ")) << sim.Out();
  ASSERT_TRUE(sim.Finished()) << sim.Out();
  EXPECT_EQ(sim.Decoded(), "CONNECT\nINCOMPLETE FE FD\nHANGUP after 7 bytes");
  EXPECT_FALSE(QFileInfo(sim.link()).isSymLink());
  // The writer's side now sees the hangup, and writing fails.
  pollfd p{sim.fd(), POLLOUT, 0};
  ASSERT_EQ(poll(&p, 1, 5000), 1);
  EXPECT_NE(p.revents & (POLLHUP | POLLERR), 0) << p.revents;
  const unsigned char more[] = {0xFE, 0xFD, 0xF6, 0x0A, 0xFF};
  errno = 0;
  EXPECT_EQ(write(sim.fd(), more, sizeof more), -1);
  EXPECT_EQ(errno, EIO);

  // A start byte left waiting for its second is still reported.
  Sim held;
  ASSERT_TRUE(held.Start({"--hangup-after-bytes", "6"})) << held.Out();
  ASSERT_TRUE(held.Write({0xFE, 0xFD, 0xF6, 0x0A, 0xFF, 0xFE, 0xFD}));
  ASSERT_TRUE(held.WaitFor("HANGUP ")) << held.Out();
  ASSERT_TRUE(held.Finished()) << held.Out();
  EXPECT_EQ(held.Decoded(), "CONNECT\nJUNK FE\nHANGUP after 6 bytes");
}

}  // namespace
}  // namespace zl::test
