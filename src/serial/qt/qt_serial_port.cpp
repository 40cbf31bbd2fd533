#include "serial/qt/qt_serial_port.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include <map>
#include <optional>

#include "serial/port_map.h"
#include "serial/qt/os.h"
#include "serial/settings.h"

namespace zl {

namespace {

using Kind = SerialError::Kind;
using serial::OpenCause;

bool Apply(QSerialPort& port, const serial::LineSettings& s) {
  using P = serial::LineSettings::Parity;
  using S = serial::LineSettings::StopBits;
  QSerialPort::Parity parity = QSerialPort::NoParity;
  switch (s.parity) {
    case P::None: parity = QSerialPort::NoParity; break;
    case P::Even: parity = QSerialPort::EvenParity; break;
    case P::Odd: parity = QSerialPort::OddParity; break;
    case P::Mark: parity = QSerialPort::MarkParity; break;
    case P::Space: parity = QSerialPort::SpaceParity; break;
  }
  QSerialPort::StopBits stop = QSerialPort::OneStop;
  switch (s.stop_bits) {
    case S::One: stop = QSerialPort::OneStop; break;
    case S::OneAndHalf: stop = QSerialPort::OneAndHalfStop; break;
    case S::Two: stop = QSerialPort::TwoStop; break;
  }
  // Qt's data bits are the counts themselves (Data8 is 8).
  return port.setBaudRate(s.baud) && port.setParity(parity) &&
         port.setDataBits(static_cast<QSerialPort::DataBits>(s.data_bits)) && port.setStopBits(stop);
}

// Qt's error code only: its message is in the user's language.
OpenCause ClassifyOpenError(QSerialPort::SerialPortError error, const std::string& device) {
  switch (error) {
    case QSerialPort::DeviceNotFoundError: return OpenCause::NotFound;
    case QSerialPort::PermissionError: return serial::PermissionCause(device);
    default: return OpenCause::Other;
  }
}

class QtSerialPort final : public SerialPort {
 public:
  QtSerialPort(std::string link_dir, DeviceLister list_devices)
      : link_dir_(std::move(link_dir)), list_devices_(std::move(list_devices)) {
    ApplySettings();
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] { RaiseReceive(); });
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError e) { OnError(e); });
    // Qt says so from inside its own notifier; look from the event loop.
    QObject::connect(&port_, &QSerialPort::bytesWritten, &port_, [this] { QueueCheck(); });
    watch_.setInterval(kWatchMs);
    QObject::connect(&watch_, &QTimer::timeout, &port_, [this] { CheckSending(); });
  }

  ~QtSerialPort() override {
    QObject::disconnect(&port_, nullptr, nullptr, nullptr);
    watch_.stop();
    Shut();
  }

  void SetCommPort(std::int16_t port) override {
    if (port_.isOpen())
      throw SerialError(Kind::Other,
                        "cannot change the port number while COM" + std::to_string(port_number_) + " is open");
    port_number_ = port;
  }

  void SetSettings(const std::string& text) override {
    const serial::LineSettings parsed = serial::ParseLineSettings(text);
    const serial::LineSettings old = settings_;
    settings_ = parsed;
    if (!ApplySettings()) {
      const std::string why = port_.errorString().toStdString();
      settings_ = old;
      ApplySettings();
      throw SerialError(Kind::Other,
                        "COM" + std::to_string(port_number_) + ": cannot use the settings \"" + text + "\": " + why);
    }
  }

  // The buffers are Qt's and the system's and grow as needed; input is the
  // same bytes in text and binary mode; OnSent reports every step of a send.
  void SetInBufferSize(std::int16_t /*size*/) override {}
  void SetOutBufferSize(std::int16_t /*size*/) override {}
  void SetInputMode(std::int32_t /*mode*/) override {}
  void SetSThreshold(std::int16_t /*threshold*/) override {}
  void SetInputLen(std::int16_t len) override { input_len_ = len; }
  void SetRThreshold(std::int16_t threshold) override { r_threshold_ = threshold; }
  void SetOutBufferCount(std::int16_t count) override {
    if (count == 0 && port_.isOpen()) port_.clear(QSerialPort::Output);
  }

  void SetPortOpen(bool open) override {
    if (open)
      Open();
    else
      Shut();
  }
  bool PortOpen() const override { return port_.isOpen() && !failure_; }

  void Output(const std::string& bytes) override {
    if (!failure_ && port_.isOpen() && DeviceGone()) failure_ = Name() + ": the device " + open_device_ + " is gone";
    if (failure_) {
      // Lost before the deferred report ran: report it here, once.
      const std::string why = *failure_;
      Shut();
      throw SerialError(Kind::Write, why);
    }
    if (!port_.isOpen()) throw SerialError(Kind::Closed, "the serial port is not open");
    if (bytes.empty()) return;

    const qint64 before = PendingBytes();
    // Qt keeps the bytes and hands them to the driver as it takes them.
    const QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (port_.write(data) != data.size()) {
      const std::string why = Name() + ": writing to " + open_device_ + " failed: " + port_.errorString().toStdString();
      Shut();
      throw SerialError(Kind::Write, why);
    }
    if (!watch_.isActive() || before < last_pending_) since_progress_.start();
    // The writer knows what is pending now; the next event tells it less.
    last_pending_ = raised_pending_ = PendingBytes();
    watch_.start();
  }

  std::int64_t PendingBytes() const override {
    if (!port_.isOpen() || failure_) return 0;
    return port_.bytesToWrite() + DriverQueue();
  }

  std::string Input() override {
    if (!port_.isOpen()) throw SerialError(Kind::Closed, "the serial port is not open");
    const QByteArray data = input_len_ > 0 ? port_.read(input_len_) : port_.readAll();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
  }

  std::int16_t CommEvent() const override { return comm_event_; }

  void SetLinkDirectory(const std::string& dir) override {
    link_dir_ = dir;
    held_map_.reset();
  }

  std::string DevicePath(std::int16_t port) const override {
    const auto map = PortMap();
    const auto it = map.find(port);
    return it == map.end() ? std::string() : it->second;
  }

  void HoldDeviceList(bool hold) override {
    if (hold) {
      ++holds_;
    } else if (holds_ > 0 && --holds_ == 0) {
      held_map_.reset();
    }
  }

 private:
  // How often a pending send is looked at, how often the window hears of
  // it at most, and how long a line may take nothing before it counts as
  // failed (at 19,200 baud a byte takes half a millisecond).
  static constexpr int kWatchMs = 50;
  static constexpr qint64 kRaiseEveryMs = 100;
  static constexpr qint64 kStallMs = 3000;

  std::string Name() const { return "COM" + std::to_string(port_number_); }

  std::map<int, std::string> PortMap() const {
    if (holds_ == 0) return serial::CurrentPortMap(link_dir_, list_devices_);
    if (!held_map_) held_map_ = serial::CurrentPortMap(link_dir_, list_devices_);
    return *held_map_;
  }

  // While closed Qt only stores these and applies them on open.
  bool ApplySettings() { return Apply(port_, settings_); }

  void Open() {
    if (failure_) Shut();
    if (port_.isOpen()) throw SerialError(Kind::Busy, Name() + " is already open");
    const auto map = PortMap();
    const auto it = map.find(port_number_);
    if (it == map.end()) throw serial::OpenFailure(port_number_, "", OpenCause::NotFound, "", "");
    const std::string device = it->second;

    port_.setPortName(QString::fromStdString(device));
    ApplySettings();
    if (!port_.open(QIODevice::ReadWrite)) {
      const QSerialPort::SerialPortError error = port_.error();
      const std::string detail = port_.errorString().toStdString();
      if (port_.isOpen()) port_.close();
      const OpenCause cause = ClassifyOpenError(error, device);
      throw serial::OpenFailure(port_number_, device, cause,
                                cause == OpenCause::PermissionDenied ? serial::OwningGroup(device) : "", detail);
    }
    open_device_ = device;
    failure_.reset();
    // Qt keeps whatever the driver had buffered; the board's answers start
    // with this opening.
    port_.clear(QSerialPort::Input);
  }

  // Closes without waiting; forgets a failure nobody was told about yet.
  void Shut() {
    watch_.stop();
    check_queued_ = false;
    last_pending_ = 0;
    raised_pending_ = 0;
    if (port_.isOpen()) {
      shutting_ = true;
      // A tty's close waits for its output queue to drain, on a stuck line
      // for half a minute.
      if (port_.bytesToWrite() > 0 || DriverQueue() > 0) port_.clear(QSerialPort::Output);
      port_.close();
      shutting_ = false;
    }
    failure_.reset();
  }

  // Bytes the driver holds that have not gone out on the line.
  qint64 DriverQueue() const { return serial::DriverQueue(port_); }

  void QueueCheck() {
    if (check_queued_) return;
    check_queued_ = true;
    QMetaObject::invokeMethod(
        &port_, [this] { CheckSending(); }, Qt::QueuedConnection);
  }

  // Tells the window how far the send is, and fails a line that takes nothing.
  void CheckSending() {
    check_queued_ = false;
    if (!port_.isOpen() || failure_) {
      watch_.stop();
      return;
    }
    const qint64 pending = PendingBytes();
    if (pending < last_pending_) since_progress_.start();
    last_pending_ = pending;
    if (pending == 0) {
      watch_.stop();
    } else if (since_progress_.hasExpired(kStallMs)) {
      failure_ = Name() + ": nothing left through " + open_device_ + " for " + std::to_string(kStallMs / 1000) +
                 " s; " + std::to_string(pending) + " bytes were still to be sent";
      ReportLost();
      return;
    }
    if (pending == raised_pending_) return;
    if (pending != 0 && since_raise_.isValid() && !since_raise_.hasExpired(kRaiseEveryMs)) return;
    raised_pending_ = pending;
    since_raise_.start();
    if (!OnSent) return;
    try {
      OnSent();
    } catch (...) {
    }
  }

  void RaiseReceive() {
    if (!PortOpen() || r_threshold_ <= 0 || port_.bytesAvailable() < r_threshold_) return;
    comm_event_ = kComEvReceive;
    if (!OnComm) return;
    try {
      OnComm();
    } catch (...) {
      // Nothing may leave through Qt's event dispatch.
    }
  }

  bool DeviceGone() const { return serial::DeviceGone(port_, open_device_); }

  void OnError(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError || failure_ || shutting_ || !port_.isOpen()) return;
    // A write that fails here is one Qt tried on its own: the bytes cannot leave.
    bool fatal = error == QSerialPort::ResourceError || error == QSerialPort::WriteError;
    if (error == QSerialPort::ReadError) fatal = DeviceGone();
    if (!fatal) return;
    failure_ = Name() + ": the device " + open_device_ + " is gone (" + port_.errorString().toStdString() + ")";
    // Qt is still inside its own notifier here and goes on using the port;
    // close from the event loop.
    QMetaObject::invokeMethod(
        &port_, [this] { ReportLost(); }, Qt::QueuedConnection);
  }

  void ReportLost() {
    if (!failure_) return;  // already reported by a write, or closed
    const std::string why = *failure_;
    Shut();
    if (!OnLost) return;
    try {
      OnLost(why);
    } catch (...) {
    }
  }

  std::string link_dir_;
  const DeviceLister list_devices_;
  QSerialPort port_;
  QTimer watch_;
  std::int16_t port_number_ = 1;
  serial::LineSettings settings_;
  std::string open_device_;
  std::int16_t input_len_ = 0;
  std::int16_t r_threshold_ = 0;
  std::int16_t comm_event_ = 0;
  int holds_ = 0;
  mutable std::optional<std::map<int, std::string>> held_map_;
  qint64 last_pending_ = 0;    // at the last look
  qint64 raised_pending_ = 0;  // as the window last heard it
  QElapsedTimer since_progress_, since_raise_;
  bool check_queued_ = false;
  bool shutting_ = false;
  std::optional<std::string> failure_;  // the line failed, not yet reported
};

}  // namespace

std::unique_ptr<SerialPort> MakeQtSerialPort(const std::string& link_dir, DeviceLister list_devices) {
  return std::make_unique<QtSerialPort>(link_dir, std::move(list_devices));
}

}  // namespace zl
