#include "platform/qt_serial.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/port_map.h"

namespace zl {
namespace {

using Kind = SerialError::Kind;

TEST(PortMap, LinksKeepTheirNumbersAndDevicesFillTheRestInPathOrder) {
  const auto map = serial::MapPorts({{3, "/dev/ttyUSB0"}, {1, "/dev/pts/7"}},
                                    {"/dev/ttyS1", "/dev/ttyUSB0", "/dev/ttyS0", "/dev/ttyACM0"});
  const std::map<int, std::string> expected = {
      {1, "/dev/pts/7"}, {2, "/dev/ttyACM0"}, {3, "/dev/ttyUSB0"}, {4, "/dev/ttyS0"}, {5, "/dev/ttyS1"}};
  EXPECT_EQ(map, expected);

  std::vector<std::string> many;
  for (int i = 0; i < 25; ++i) many.push_back("/dev/ttyX" + std::to_string(i));
  const auto full = serial::MapPorts({{0, "/dev/a"}, {21, "/dev/b"}, {20, "/dev/c"}}, many);
  ASSERT_EQ(full.size(), 20u);
  EXPECT_EQ(full.begin()->first, 1);
  EXPECT_EQ(full.at(19), "/dev/ttyX18");
  EXPECT_EQ(full.at(20), "/dev/c");
}

TEST(PortMap, NumbersInDevicePathsCompareByValue) {
  const auto map = serial::MapPorts({}, {"/dev/ttyS10", "/dev/ttyS2", "/dev/ttyUSB1", "/dev/ttyS1"});
  const std::map<int, std::string> expected = {
      {1, "/dev/ttyS1"}, {2, "/dev/ttyS2"}, {3, "/dev/ttyS10"}, {4, "/dev/ttyUSB1"}};
  EXPECT_EQ(map, expected);
}

TEST(OpenFailureMessage, PermissionTellsWhichGroupToJoin) {
  const SerialError known = serial::OpenFailure(2, "/dev/ttyUSB1", serial::OpenCause::PermissionDenied, "dialout",
                                                "Permission denied");
  EXPECT_EQ(known.GetKind(), Kind::Permission);
  const std::string text = known.what();
  EXPECT_NE(text.find("/dev/ttyUSB1"), std::string::npos) << text;
  EXPECT_NE(text.find("group \"dialout\""), std::string::npos) << text;
  EXPECT_NE(text.find("log in again"), std::string::npos) << text;

  const std::string unknown =
      serial::OpenFailure(2, "/dev/ttyUSB1", serial::OpenCause::PermissionDenied, "", "Permission denied").what();
  EXPECT_NE(unknown.find("the group that owns the device"), std::string::npos) << unknown;
}

// The error `action` throws, if any.
template <class Action>
std::optional<SerialError> Thrown(Action action) {
  try {
    action();
  } catch (const SerialError& e) {
    return e;
  }
  return std::nullopt;
}

// Spins the event loop until `done` or a generous bound.
template <class Done>
bool PumpUntil(Done done) {
  QDeadlineTimer deadline(10000);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

void PumpFor(int rounds) {
  for (int i = 0; i < rounds; ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(2);
  }
}

// A pseudo-terminal: the test plays the board on the master side. One slave
// descriptor stays open so the master never reads EIO between openings.
struct Pty {
  Pty() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
    slave_path = ::ptsname(master);
    slave = ::open(slave_path.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    if (slave < 0 || ::tcgetattr(slave, &t) != 0) return;
    ::cfmakeraw(&t);
    ::tcsetattr(slave, TCSANOW, &t);
  }
  ~Pty() {
    CloseMaster();
    if (slave >= 0) ::close(slave);
  }
  bool Ok() const { return master >= 0 && slave >= 0; }
  void CloseMaster() {
    if (master >= 0) ::close(master);
    master = -1;
  }
  void Send(const std::string& bytes) const {
    ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // Reads until `count` bytes came or the line stays quiet for long.
  std::string Receive(std::size_t count) const {
    std::string got;
    char buf[4096];
    while (got.size() < count) {
      pollfd p{master, POLLIN, 0};
      if (::poll(&p, 1, 5000) <= 0) break;
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n <= 0) break;
      got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
  }

  int master = -1;
  int slave = -1;
  std::string slave_path;
};

class QtSerialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(pty_.Ok()) << "no pseudo-terminal available";
    Link(5, pty_.slave_path);
    port_ = MakeQtSerialPort(dir_.path().toStdString());
    port_->OnComm = [this] {
      ++comm_events_;
      if (port_->CommEvent() == kComEvReceive) received_.push_back(port_->Input());
    };
    port_->OnLost = [this](const std::string& why) {
      ++lost_;
      lost_why_ = why;
    };
  }

  void Link(int n, const std::string& target) {
    const QString link = dir_.path() + "/COM" + QString::number(n);
    ASSERT_EQ(::symlink(target.c_str(), link.toLocal8Bit().constData()), 0);
  }

  void OpenCom5() {
    port_->SetCommPort(5);
    port_->SetSettings("19200,N,8,1");
    port_->SetInputLen(0);
    port_->SetRThreshold(1);
    port_->SetPortOpen(true);
    ASSERT_TRUE(port_->PortOpen());
  }

  static std::string Pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return s;
  }

  QTemporaryDir dir_;
  Pty pty_;
  std::unique_ptr<SerialPort> port_;
  int comm_events_ = 0;
  std::vector<std::string> received_;
  int lost_ = 0;
  std::string lost_why_;
};

TEST_F(QtSerialTest, LinkedPortWritesEveryByteUnchanged) {
  EXPECT_EQ(port_->DevicePath(5), pty_.slave_path);
  OpenCom5();
  // Frame markers, NUL, and the bytes a cooked line would translate or eat.
  const std::string frame("\xFE\xFD\xF6\x0A\xFF\x00\x0D\x03\x11\x13\x7F\x80", 12);
  port_->Output(frame);
  EXPECT_EQ(pty_.Receive(frame.size()), frame);
}

TEST_F(QtSerialTest, LongFrameArrivesWholeAndInOrderThoughClosedRightAfter) {
  OpenCom5();
  const std::string frame = Pattern(2005);
  port_->Output(frame);
  port_->SetPortOpen(false);
  EXPECT_FALSE(port_->PortOpen());
  EXPECT_EQ(pty_.Receive(frame.size()), frame);
}

TEST_F(QtSerialTest, EachArrivalRaisesOneReceiveEvent) {
  OpenCom5();
  pty_.Send("A");
  ASSERT_TRUE(PumpUntil([&] { return comm_events_ >= 1; }));
  ASSERT_EQ(received_.size(), 1u);
  EXPECT_EQ(received_[0], "A");

  pty_.Send(std::string("\x0D\x03\xFF", 3));
  ASSERT_TRUE(PumpUntil([&] { return !received_.empty() && received_.back().size() == 3; }));
  EXPECT_EQ(comm_events_, 2);
  EXPECT_EQ(received_.back(), std::string("\x0D\x03\xFF", 3));
}

TEST_F(QtSerialTest, AnswerDuringAWriteIsDeliveredAfterIt) {
  OpenCom5();
  bool sending = false;
  bool during_send = false;
  port_->OnComm = [&] {
    during_send = during_send || sending;
    received_.push_back(port_->Input());
  };
  pty_.Send("ok");
  sending = true;
  port_->Output(Pattern(600));
  sending = false;
  EXPECT_FALSE(during_send);
  ASSERT_TRUE(PumpUntil([&] { return !received_.empty(); }));
  EXPECT_EQ(received_[0], "ok");
  EXPECT_EQ(pty_.Receive(600), Pattern(600));
}

TEST_F(QtSerialTest, OpeningDiscardsWhatArrivedBefore) {
  pty_.Send("stale");
  OpenCom5();
  pty_.Send("new");
  ASSERT_TRUE(PumpUntil([&] { return !received_.empty(); }));
  EXPECT_EQ(received_[0], "new");
}

TEST_F(QtSerialTest, SettingsReachTheLine) {
  // A pseudo-terminal forces 8 data bits without parity, so only the speed
  // and the stop bits show on it.
  port_->SetCommPort(5);
  port_->SetSettings("9600,N,8,2");
  port_->SetPortOpen(true);
  termios t{};
  ASSERT_EQ(::tcgetattr(pty_.slave, &t), 0);
  EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_TRUE(t.c_cflag & CSTOPB);

  port_->SetSettings("19200,n,8,1");  // applied to the open line too
  ASSERT_EQ(::tcgetattr(pty_.slave, &t), 0);
  EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B19200));
  EXPECT_FALSE(t.c_cflag & CSTOPB);
}

TEST_F(QtSerialTest, MalformedSettingsAreRefused) {
  for (const char* bad : {"19200,X,8,1", "fast,N,8,1", "0,N,8,1", "19200,N,9,1", "19200,N,8", "19200,N,8,3", ""}) {
    const auto e = Thrown([&] { port_->SetSettings(bad); });
    EXPECT_TRUE(e && e->GetKind() == Kind::Other) << bad;
  }
}

TEST_F(QtSerialTest, PortNumberCannotChangeWhileOpen) {
  OpenCom5();
  const auto e = Thrown([&] { port_->SetCommPort(6); });
  ASSERT_TRUE(e) << "port number changed while open";
  EXPECT_EQ(e->GetKind(), Kind::Other);
  EXPECT_EQ(port_->CommPort(), 5);
  port_->SetPortOpen(false);
  port_->SetPortOpen(false);  // closing a closed port is nothing
  port_->SetCommPort(6);
  EXPECT_EQ(port_->CommPort(), 6);
}

TEST_F(QtSerialTest, OutputWhileClosedIsRefused) {
  const auto e = Thrown([&] { port_->Output("x"); });
  ASSERT_TRUE(e) << "wrote to a closed port";
  EXPECT_EQ(e->GetKind(), Kind::Closed);
}

TEST_F(QtSerialTest, MissingDevicesAreNotFound) {
  const std::string missing = (dir_.path() + "/no-such-tty").toStdString();
  Link(3, missing);
  EXPECT_EQ(port_->DevicePath(3), missing);
  port_->SetCommPort(3);
  const auto e = Thrown([&] { port_->SetPortOpen(true); });
  ASSERT_TRUE(e) << "opened a missing device";
  EXPECT_EQ(e->GetKind(), Kind::NotFound);
  EXPECT_NE(std::string(e->what()).find(missing), std::string::npos) << e->what();
  EXPECT_FALSE(port_->PortOpen());

  port_->SetCommPort(21);
  EXPECT_EQ(port_->DevicePath(21), "");
  const auto unmapped = Thrown([&] { port_->SetPortOpen(true); });
  ASSERT_TRUE(unmapped) << "opened COM 21";
  EXPECT_EQ(unmapped->GetKind(), Kind::NotFound);
  EXPECT_FALSE(port_->PortOpen());
}

TEST_F(QtSerialTest, DeviceHeldByAnotherPortIsBusy) {
  Link(6, pty_.slave_path);
  OpenCom5();
  auto other = MakeQtSerialPort(dir_.path().toStdString());
  other->SetCommPort(6);
  const auto e = Thrown([&] { other->SetPortOpen(true); });
  ASSERT_TRUE(e) << "opened a device that is in use";
  EXPECT_EQ(e->GetKind(), Kind::Busy) << e->what();
  EXPECT_FALSE(other->PortOpen());
  EXPECT_TRUE(port_->PortOpen());
}

TEST_F(QtSerialTest, DeviceWithoutAccessNamesTheGroup) {
  if (::geteuid() == 0) GTEST_SKIP() << "root is never denied access";
  Pty locked;
  ASSERT_TRUE(locked.Ok());
  ASSERT_EQ(::chmod(locked.slave_path.c_str(), 0), 0);
  Link(7, locked.slave_path);
  port_->SetCommPort(7);
  const auto e = Thrown([&] { port_->SetPortOpen(true); });
  ASSERT_TRUE(e) << "opened a device without access";
  EXPECT_EQ(e->GetKind(), Kind::Permission);
  EXPECT_NE(std::string(e->what()).find("log in again"), std::string::npos) << e->what();
  EXPECT_FALSE(port_->PortOpen());
}

TEST_F(QtSerialTest, VanishedDeviceIsReportedOnceAndClosesThePort) {
  OpenCom5();
  pty_.CloseMaster();
  ASSERT_TRUE(PumpUntil([&] { return lost_ > 0; }));
  PumpFor(100);
  EXPECT_EQ(lost_, 1);
  EXPECT_NE(lost_why_.find(pty_.slave_path), std::string::npos) << lost_why_;
  EXPECT_FALSE(port_->PortOpen());
  EXPECT_THROW(port_->Output("x"), SerialError);
}

TEST_F(QtSerialTest, WriteToVanishedDeviceFailsOnceWithoutLostEvent) {
  OpenCom5();
  pty_.CloseMaster();
  const auto e = Thrown([&] { port_->Output("x"); });
  ASSERT_TRUE(e) << "wrote to a vanished device";
  EXPECT_EQ(e->GetKind(), Kind::Write) << e->what();
  EXPECT_FALSE(port_->PortOpen());
  PumpFor(50);
  EXPECT_EQ(lost_, 0);  // the failed write was the report
}

}  // namespace
}  // namespace zl
