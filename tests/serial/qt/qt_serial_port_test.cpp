// The serial control on Qt SerialPort, against pseudo-terminals where the
// test plays the board. The window's link through it to the board simulator
// is in tests/app/serial_link_pty_test.cpp.
#include "serial/qt/qt_serial_port.h"
#include "serial/qt/os.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QTemporaryDir>
#include <QThread>
#include <QTranslator>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

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

// Runs the event loop until all that was already queued has been delivered.
bool PumpQueued() {
  bool reached = false;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [&] { reached = true; }, Qt::QueuedConnection);
  return PumpUntil([&] { return reached; });
}

// For as long as it lives, Qt's and the C library's messages are German
// (where the system has them), and root acts as nobody, whom rights stop.
class ForeignUser {
 public:
  ForeignUser() : locale_(std::setlocale(LC_ALL, nullptr)) {
    if (const char* language = std::getenv("LANGUAGE")) language_ = language;
    ::setenv("LANGUAGE", "de", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    QCoreApplication::installTranslator(&german_);
    const passwd* nobody = ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
    was_root_ = nobody && ::seteuid(nobody->pw_uid) == 0;
  }
  ~ForeignUser() {
    if (was_root_ && ::seteuid(0) != 0) std::abort();
    QCoreApplication::removeTranslator(&german_);
    std::setlocale(LC_ALL, locale_.c_str());
    if (language_)
      ::setenv("LANGUAGE", language_->c_str(), 1);
    else
      ::unsetenv("LANGUAGE");
  }
  ForeignUser(const ForeignUser&) = delete;
  ForeignUser& operator=(const ForeignUser&) = delete;
  bool RightsApply() const { return ::geteuid() != 0; }

 private:
  class GermanQt : public QTranslator {
   public:
    QString translate(const char*, const char*, const char* = nullptr, int = -1) const override {
      return QStringLiteral("Das Gerät lässt sich nicht öffnen");
    }
    bool isEmpty() const override { return false; }
  };
  std::string locale_;
  std::optional<std::string> language_;
  GermanQt german_;
  bool was_root_ = false;
};

// Opens `device` as the only port, reading no link directory (nobody may
// not read the test's).
std::optional<SerialError> OpenAlone(const std::string& device) {
  auto port = MakeQtSerialPort("", [device] { return std::vector<std::string>{device}; });
  return Thrown<SerialError>([&] { port->SetPortOpen(true); });
}

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
  // Reads until `count` bytes came or the line stays quiet for long.
  std::string Receive(std::size_t count) const {
    std::string got;
    char buf[4096];
    pollfd p{master, POLLIN, 0};
    while (got.size() < count && ::poll(&p, 1, 5000) > 0) {
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

// COM5 links to a pseudo-terminal in the test's own directory.
class QtSerialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(pty_.Ok()) << "no pseudo-terminal available";
    Link(5, pty_.slave_path);
    port_ = MakeQtSerialPort(dir_.path().toStdString());
    port_->OnComm = [this] {
      EXPECT_EQ(port_->CommEvent(), kComEvReceive);
      received_.push_back(port_->Input());
    };
    port_->OnLost = [this](const std::string& why) { lost_.push_back(why); };
    port_->OnSent = [this] { sent_.push_back(port_->PendingBytes()); };
  }

  void Link(int n, const std::string& target) {
    const QString link = dir_.path() + "/COM" + QString::number(n);
    ASSERT_EQ(::symlink(target.c_str(), link.toLocal8Bit().constData()), 0);
  }

  void OpenCom5() {
    port_->SetCommPort(5);
    port_->SetRThreshold(1);
    port_->SetPortOpen(true);
    ASSERT_TRUE(port_->PortOpen());
  }

  QTemporaryDir dir_;
  Pty pty_;
  std::unique_ptr<SerialPort> port_;
  std::vector<std::string> received_;
  std::vector<std::string> lost_;
  std::vector<std::int64_t> sent_;  // PendingBytes() at each OnSent
};

// More than a pseudo-terminal takes in before its reader reads: the rest
// stays with the port, as on a slow line.
std::string Beyond(char fill) { return std::string(100000, fill); }

// Long frames at the line's rate, and closing the window right after one:
// the PtyBoard tests in tests/app/serial_link_pty_test.cpp.
TEST_F(QtSerialTest, LinkedPortWritesEveryByteUnchanged) {
  EXPECT_EQ(port_->DevicePath(5), pty_.slave_path);
  OpenCom5();
  // Frame markers, NUL, and the bytes a cooked line would translate or eat.
  const std::string frame("\xFE\xFD\xF6\x0A\xFF\x00\x0D\x03\x11\x13\x7F\x80", 12);
  port_->Output(frame);
  ASSERT_TRUE(PumpUntil([&] { return port_->PendingBytes() == 0; }));
  EXPECT_EQ(pty_.Receive(frame.size()), frame);
}

TEST_F(QtSerialTest, OpeningDiscardsWhatCameBeforeAndEachArrivalRaisesOneEvent) {
  pty_.Send("stale");
  OpenCom5();
  pty_.Send("A");
  ASSERT_TRUE(PumpUntil([&] { return !received_.empty(); }));
  pty_.Send(std::string("\x0D\x03\xFF", 3));
  ASSERT_TRUE(PumpUntil([&] { return received_.size() == 2 && received_[1].size() == 3; }));
  ASSERT_TRUE(PumpQueued());
  EXPECT_EQ(received_, (std::vector<std::string>{"A", std::string("\x0D\x03\xFF", 3)}));
}

// The board's answer comes in while bytes are pending; closing drops them
// and returns; a line that takes nothing for a few seconds while bytes are
// pending is reported lost once. Frames leaving whole, in order and counted
// down: PtyBoard.TheWindowKeepsAnsweringWhileUploadsLeaveAtTheLineRate.
TEST_F(QtSerialTest, ClosingDropsThePendingBytesAndAStuckLineIsLost) {
  ASSERT_EQ(::fcntl(pty_.master, F_SETFL, ::fcntl(pty_.master, F_GETFL) | O_NONBLOCK), 0);
  OpenCom5();
  port_->Output(Beyond('a'));
  ASSERT_TRUE(PumpUntil([&] { return !sent_.empty(); }));
  pty_.Send("ok");
  ASSERT_TRUE(PumpUntil([&] { return !received_.empty(); }));
  EXPECT_EQ(received_[0], "ok");
  EXPECT_GT(port_->PendingBytes(), 0);
  EXPECT_EQ(Thrown<SerialError>([&] { port_->SetCommPort(6); })->GetKind(), Kind::Other);  // only while closed
  port_->SetPortOpen(false);
  EXPECT_FALSE(port_->PortOpen());
  EXPECT_EQ(port_->PendingBytes(), 0);
  ASSERT_TRUE(PumpQueued());
  EXPECT_TRUE(lost_.empty());
  char drain[4096];
  while (::read(pty_.master, drain, sizeof drain) > 0) {
  }

  OpenCom5();
  port_->Output(Beyond('b'));
  ASSERT_TRUE(PumpUntil([&] { return !lost_.empty(); }));
  ASSERT_TRUE(PumpQueued());
  ASSERT_EQ(lost_.size(), 1u);
  EXPECT_NE(lost_[0].find("nothing left through " + pty_.slave_path), std::string::npos) << lost_[0];
  EXPECT_FALSE(port_->PortOpen());
  EXPECT_EQ(port_->PendingBytes(), 0);
}

// The system lists devices in no useful order; port numbers follow the
// paths, digit runs by value. Each look-up reads the list anew, so a device
// plugged in later is found.
TEST_F(QtSerialTest, ListedDevicesAreNumberedInPathOrderWithDigitRunsByValue) {
  std::vector<std::string> devices{"/dev/ttyS10", "/dev/ttyUSB0", "/dev/ttyS2", "/dev/ttyACM0"};
  auto port = MakeQtSerialPort(dir_.path().toStdString(), [&] { return devices; });
  EXPECT_EQ(port->DevicePath(6), "");
  devices.push_back("/dev/ttyS1");
  std::vector<std::string> numbered;
  for (std::int16_t n = 1; n <= 7; ++n) numbered.push_back(port->DevicePath(n));
  EXPECT_EQ(numbered, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS10",
                                                pty_.slave_path, "/dev/ttyUSB0", ""}));
}

// The system may list legacy ports with no hardware behind them, which could
// never be opened.
TEST_F(QtSerialTest, ALegacyPortWithoutHardwareIsToldApart) {
  const struct {
    const char* name;
    const char* uart;  // its type file; none without
    bool without;
  } cases[] = {{"ttyS0", "4\n", false}, {"ttyS1", "0\n", true}, {"ttyUSB0", nullptr, false}};
  const std::string classes = dir_.path().toStdString();
  for (const auto& c : cases) {
    if (c.uart) {
      std::filesystem::create_directory(classes + "/" + c.name);
      std::ofstream(classes + "/" + c.name + "/type") << c.uart;
    }
    EXPECT_EQ(serial::WithoutHardware(std::string("/dev/") + c.name, classes), c.without) << c.name;
  }
}

// A pseudo-terminal forces 8 data bits without parity, so only the speed and
// the stop bits show on it. Each malformed field: serial_settings_test.cpp.
TEST_F(QtSerialTest, SettingsReachTheLineOpenOrNotAndMalformedOnesAreRefused) {
  port_->SetCommPort(5);
  const struct {
    const char* text;
    bool refused;
    speed_t speed;  // the line's afterwards
    bool two_stops;
  } cases[] = {
      {"9600,N,8,2", false, B9600, true}, {"19200,n,8,1", false, B19200, false}, {"9600,X,8,2", true, B19200, false}};
  for (const auto& c : cases) {
    const auto e = Thrown<SerialError>([&] { port_->SetSettings(c.text); });
    EXPECT_EQ(e.has_value(), c.refused) << c.text;
    if (e) {
      EXPECT_EQ(e->GetKind(), Kind::Other);
    }
    if (!port_->PortOpen()) port_->SetPortOpen(true);
    termios t{};
    ASSERT_EQ(::tcgetattr(pty_.slave, &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), c.speed) << c.text;
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.two_stops) << c.text;
  }
}

TEST_F(QtSerialTest, OpenFailuresSayWhichDeviceAndWhyAndLeaveThePortClosed) {
  const std::string missing = (dir_.path() + "/no-such-tty").toStdString();
  Link(3, missing);
  Link(6, pty_.slave_path);
  auto holder = MakeQtSerialPort(dir_.path().toStdString());
  holder->SetCommPort(5);
  holder->SetPortOpen(true);
  ASSERT_TRUE(holder->PortOpen());
  const struct {
    int port;
    Kind kind;
    std::string says;
  } cases[] = {{3, Kind::NotFound, missing}, {21, Kind::NotFound, "COM 21"}, {6, Kind::Busy, pty_.slave_path}};
  for (const auto& c : cases) {
    port_->SetCommPort(c.port);
    const auto e = Thrown<SerialError>([&] { port_->SetPortOpen(true); });
    ASSERT_TRUE(e) << "opened COM" << c.port;
    EXPECT_EQ(e->GetKind(), c.kind) << e->what();
    EXPECT_NE(std::string(e->what()).find(c.says), std::string::npos) << e->what();
    EXPECT_FALSE(port_->PortOpen()) << c.port;
  }
  EXPECT_TRUE(holder->PortOpen());
}

// Lacking the rights and another program's hold tell the operator different
// things, whatever language the system's messages are in. Only a group whose
// members may open the device is worth joining.
TEST_F(QtSerialTest, DeviceWithoutAccessNamesTheGroupAndAHeldOneIsBusy) {
  Pty group_only, nobody_may, exclusive;
  ASSERT_TRUE(group_only.Ok() && nobody_may.Ok() && exclusive.Ok());
  const group* joinable = ::getegid() != 0 ? ::getgrgid(::getegid()) : ::getgrnam("dialout");
  ASSERT_NE(joinable, nullptr);
  for (const Pty* p : {&group_only, &nobody_may})
    ASSERT_EQ(::chown(p->slave_path.c_str(), static_cast<uid_t>(-1), joinable->gr_gid), 0);
  ASSERT_EQ(::chmod(group_only.slave_path.c_str(), 0060), 0);
  ASSERT_EQ(::chmod(nobody_may.slave_path.c_str(), 0), 0);
  const std::string names_group = "group \"" + std::string(joinable->gr_name) + "\"";
  // Held for exclusive use, which stops all but root, and through Qt's lock
  // file by this process.
  ASSERT_EQ(::chmod(exclusive.slave_path.c_str(), 0666), 0);
  ASSERT_EQ(::ioctl(exclusive.slave, TIOCEXCL), 0);
  ASSERT_EQ(::chmod(pty_.slave_path.c_str(), 0666), 0);
  OpenCom5();

  const ForeignUser foreign;
  if (!foreign.RightsApply()) GTEST_SKIP() << "root cannot act as nobody here, and rights do not stop root";
  for (const Pty* locked : {&group_only, &nobody_may}) {
    const auto denied = OpenAlone(locked->slave_path);
    ASSERT_TRUE(denied) << "opened a device without access";
    EXPECT_EQ(denied->GetKind(), Kind::Permission) << denied->what();
    const std::string said = denied->what();
    EXPECT_EQ(said.find(names_group) != std::string::npos, locked == &group_only) << said;
    EXPECT_EQ(said.find("usermod") != std::string::npos, locked == &group_only) << said;
  }
  for (const std::string& held : {exclusive.slave_path, pty_.slave_path}) {
    const auto busy = OpenAlone(held);
    ASSERT_TRUE(busy) << "opened " << held << ", held by another program";
    EXPECT_EQ(busy->GetKind(), Kind::Busy) << busy->what();
    EXPECT_NE(std::string(busy->what()).find(held), std::string::npos) << busy->what();
  }
  EXPECT_TRUE(port_->PortOpen());
}

// Reported once: by the next event, or by a write that comes first. With
// frames pending: PtyBoard.HangingUpWithFramesPendingSaysOnceWhatWasNotSent.
TEST_F(QtSerialTest, VanishedDeviceIsReportedOnceAndClosesThePort) {
  OpenCom5();
  pty_.CloseMaster();
  ASSERT_TRUE(PumpUntil([&] { return !lost_.empty(); }));
  ASSERT_TRUE(PumpQueued());
  ASSERT_EQ(lost_.size(), 1u);
  EXPECT_NE(lost_[0].find(pty_.slave_path), std::string::npos) << lost_[0];
  EXPECT_FALSE(port_->PortOpen());
  EXPECT_EQ(Thrown<SerialError>([&] { port_->Output("x"); })->GetKind(), Kind::Closed);

  Pty next;
  ASSERT_TRUE(next.Ok());
  Link(6, next.slave_path);
  port_->SetCommPort(6);
  port_->SetPortOpen(true);
  next.CloseMaster();
  const auto e = Thrown<SerialError>([&] { port_->Output("x"); });
  ASSERT_TRUE(e) << "wrote to a vanished device";
  EXPECT_EQ(e->GetKind(), Kind::Write) << e->what();
  EXPECT_FALSE(port_->PortOpen());
  ASSERT_TRUE(PumpQueued());
  EXPECT_EQ(lost_.size(), 1u) << "the failed write was the report";
}

}  // namespace
}  // namespace zl
