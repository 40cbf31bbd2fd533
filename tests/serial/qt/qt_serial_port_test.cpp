// The serial control on Qt SerialPort, against pseudo-terminals where the
// test plays the board.
#include "serial/qt/qt_serial_port.h"
#include "serial/qt/os.h"

#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/thrown.h"

namespace zl {
namespace {

using Kind = SerialError::Kind;
using test::Thrown;

// Spins the event loop until `done`, or false after a generous bound.
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

// For as long as it lives, root acts as nobody, whom rights stop.
struct ForeignUser {
  ForeignUser() : was_root(::geteuid() == 0 && ::getpwnam("nobody") && ::seteuid(::getpwnam("nobody")->pw_uid) == 0) {}
  ~ForeignUser() {
    if (was_root && ::seteuid(0) != 0) std::abort();
  }
  const bool was_root;
};

// A raw pseudo-terminal: the test plays the board on the master side. The
// slave descriptor stays open so the master never reads EIO between openings.
struct Pty {
  Pty() {
    char name[256] = {};
    termios t{};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0 || ::tcgetattr(slave, &t) != 0) return;
    slave_path = name;
    ::cfmakeraw(&t);
    ::tcsetattr(slave, TCSANOW, &t);
  }
  ~Pty() {
    CloseMaster();
    if (slave >= 0) ::close(slave);
  }
  bool Ok() const { return master >= 0 && !slave_path.empty(); }
  void CloseMaster() {
    if (master >= 0) ::close(master);
    master = -1;
  }
  void Send(const std::string& bytes) const {
    ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  int master = -1;
  int slave = -1;
  std::string slave_path;
};

// COM5 links to a pseudo-terminal in the test's own directory.
class QtSerialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(pty_.Ok()) << "no pseudo-terminal available";
    ASSERT_EQ(::symlink(pty_.slave_path.c_str(), (dir_.path() + "/COM5").toLocal8Bit().constData()), 0);
    port_ = MakeQtSerialPort(dir_.path().toStdString());
    port_->OnComm = [this] {
      EXPECT_EQ(port_->CommEvent(), kComEvReceive);
      received_.push_back(port_->Input());
    };
    port_->OnLost = [this](const std::string& why) { lost_.push_back(why); };
    port_->OnSent = [this] { told_.push_back(port_->PendingBytes()); };
  }
  void Open() {
    port_->SetCommPort(5);
    port_->SetRThreshold(1);
    port_->SetPortOpen(true);
    ASSERT_TRUE(port_->PortOpen());
  }
  // Reported once, and the port closed.
  void LostOnce(const std::string& says) {
    ASSERT_TRUE(PumpUntil([&] { return !lost_.empty(); }));
    QCoreApplication::sendPostedEvents();  // a second report would be queued by now
    ASSERT_EQ(lost_.size(), 1u);
    EXPECT_NE(lost_[0].find(says), std::string::npos) << lost_[0];
    EXPECT_FALSE(port_->PortOpen());
  }

  QTemporaryDir dir_;
  Pty pty_;
  std::unique_ptr<SerialPort> port_;
  std::vector<std::string> received_;
  std::vector<std::string> lost_;
  std::vector<std::int64_t> told_;  // bytes pending at each OnSent
};

// What came before opening is dropped; an arrival raises a receive event.
TEST_F(QtSerialTest, LinkedPortWritesEveryByteUnchanged) {
  EXPECT_EQ(port_->DevicePath(5), pty_.slave_path);
  pty_.Send("stale");
  Open();
  // Line settings reach the open device; the port number cannot change under it.
  port_->SetSettings("19200,N,8,2");
  termios t{};
  EXPECT_TRUE(::tcgetattr(pty_.slave, &t) == 0 && (t.c_cflag & CSTOPB) && ::cfgetospeed(&t) == B19200);
  EXPECT_EQ(Thrown<SerialError>([&] { port_->SetCommPort(6); })->GetKind(), Kind::Other);
  // Frame markers, NUL, and the bytes a cooked line would translate or eat.
  const std::string frame("\xFE\xFD\xF6\x0A\xFF\x00\x0D\x03\x11\x13\x7F\x80", 12);
  port_->Output(frame);
  ASSERT_TRUE(PumpUntil([&] { return port_->PendingBytes() == 0; }));
  char got[64];  // the whole frame is with the line by now
  EXPECT_EQ(std::string(got, std::max<ssize_t>(0, ::read(pty_.master, got, sizeof got))), frame);
  pty_.Send(frame);
  ASSERT_TRUE(PumpUntil([&] { return !received_.empty() && received_.back().size() == frame.size(); }));
  EXPECT_EQ(received_, std::vector<std::string>{frame});
}

// A line that moves however slowly is kept, and the end of a send is told
// however soon after the step before; a line that takes nothing for a few
// seconds while bytes are pending is lost.
TEST_F(QtSerialTest, ASlowLineIsKeptAndAStuckOneIsLostOnce) {
  Open();
  const std::string more(100000, 'a');  // than a pseudo-terminal holds unread
  port_->Output(more);
  char taken[2048];
  ASSERT_EQ(::fcntl(pty_.master, F_SETFL, O_NONBLOCK), 0);
  for (int i = 0; i < 8; ++i) {  // 4 s, longer than the line may stand still
    const QDeadlineTimer half(500);
    ASSERT_TRUE(PumpUntil([&] { return half.hasExpired(); }));
    ASSERT_GT(::read(pty_.master, taken, sizeof taken), 0);
  }
  EXPECT_TRUE(lost_.empty()) << lost_[0];
  ASSERT_TRUE(PumpUntil([&] { return ::read(pty_.master, taken, sizeof taken), !told_.empty() && told_.back() == 0; }));
  port_->Output(more);
  LostOnce("nothing left through " + pty_.slave_path);
  EXPECT_EQ(port_->PendingBytes(), 0);
}

// Port numbers follow the paths, digit runs by value. Each look-up reads
// the list anew, so a device plugged in later is found.
TEST_F(QtSerialTest, ListedDevicesAreNumberedInPathOrderWithDigitRunsByValue) {
  std::vector<std::string> devices{"/dev/ttyS10", "/dev/ttyUSB0", "/dev/ttyS2", "/dev/ttyACM0"};
  auto port = MakeQtSerialPort(dir_.path().toStdString(), [&] { return devices; });
  EXPECT_EQ(port->DevicePath(6), "");
  devices.push_back("/dev/ttyS1");
  std::vector<std::string> numbered;
  for (std::int16_t n = 1; n <= 6; ++n) numbered.push_back(port->DevicePath(n));
  EXPECT_EQ(numbered, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS10",
                                                pty_.slave_path, "/dev/ttyUSB0"}));
}

// The system may list legacy ports with no hardware behind them (UART type 0).
TEST_F(QtSerialTest, ALegacyPortWithoutHardwareIsToldApart) {
  const std::string classes = dir_.path().toStdString();
  for (const auto& [name, uart, without] :
       {std::tuple{"ttyS0", "4\n", false}, {"ttyS1", "0\n", true}, {"ttyUSB0", "", false}}) {
    if (*uart) test::Write(classes + "/" + name + "/type", uart);
    EXPECT_EQ(serial::WithoutHardware(std::string("/dev/") + name, classes), without) << name;
  }
}

// Missing, held and refused devices tell the operator different things. Only a group whose members may
// open the device is worth joining.
TEST_F(QtSerialTest, OpenFailuresSayWhichDeviceAndWhyAndLeaveThePortClosed) {
  const std::string missing = "/dev/zl-no-such-tty";
  Pty group_only, nobody_may, exclusive;
  ASSERT_TRUE(group_only.Ok() && nobody_may.Ok() && exclusive.Ok());
  const group* joinable = ::getegid() != 0 ? ::getgrgid(::getegid()) : ::getgrnam("dialout");
  ASSERT_NE(joinable, nullptr);
  for (const Pty* p : {&group_only, &nobody_may})
    ASSERT_EQ(::chown(p->slave_path.c_str(), static_cast<uid_t>(-1), joinable->gr_gid), 0);
  ASSERT_EQ(::chmod(group_only.slave_path.c_str(), 0060), 0);
  ASSERT_EQ(::chmod(nobody_may.slave_path.c_str(), 0), 0);
  // Held for exclusive use, which stops all but root, and through Qt's lock
  // file by this process.
  ASSERT_EQ(::chmod(exclusive.slave_path.c_str(), 0666), 0);
  ASSERT_EQ(::ioctl(exclusive.slave, TIOCEXCL), 0);
  ASSERT_EQ(::chmod(pty_.slave_path.c_str(), 0666), 0);
  Open();
  const std::string group = "group \"" + std::string(joinable->gr_name) + "\"";
  const struct {
    std::string device;
    Kind kind;
    std::string says, not_said;
  } cases[] = {{missing, Kind::NotFound, missing, "usermod"},
               {"", Kind::NotFound, "COM 21", "usermod"},
               {pty_.slave_path, Kind::Busy, pty_.slave_path, "usermod"},
               {exclusive.slave_path, Kind::Busy, exclusive.slave_path, "usermod"},
               {group_only.slave_path, Kind::Permission, group, "administrator"},
               {nobody_may.slave_path, Kind::Permission, nobody_may.slave_path, "usermod"}};
  const ForeignUser foreign;
  if (::geteuid() == 0) GTEST_SKIP() << "root cannot act as nobody here, and rights do not stop root";
  for (const auto& c : cases) {
    // Alone in its list, so that no link directory is read (nobody may not
    // read the test's).
    auto port = MakeQtSerialPort("", [&] { return std::vector<std::string>{c.device}; });
    port->SetCommPort(c.device.empty() ? 21 : 1);
    const auto e = Thrown<SerialError>([&] { port->SetPortOpen(true); });
    ASSERT_TRUE(e) << "opened " << c.says;
    EXPECT_EQ(e->GetKind(), c.kind) << e->what();
    EXPECT_NE(std::string(e->what()).find(c.says), std::string::npos) << e->what();
    EXPECT_EQ(std::string(e->what()).find(c.not_said), std::string::npos) << e->what();
    EXPECT_FALSE(port->PortOpen());
  }
  EXPECT_TRUE(port_->PortOpen());
}

// With frames pending, the window's side: LostWhileSending in serial_link_test.cpp.
TEST_F(QtSerialTest, VanishedDeviceIsReportedOnceAndClosesThePort) {
  Open();
  pty_.CloseMaster();
  LostOnce(pty_.slave_path);
  EXPECT_EQ(Thrown<SerialError>([&] { port_->Output("x"); })->GetKind(), Kind::Closed);
}

}  // namespace
}  // namespace zl
