// The serial control: the properties the window sets, opening and closing,
// one write per frame, and receive and sent events on the window's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace zl {

class SerialError : public std::runtime_error {
 public:
  enum class Kind { NotFound, Permission, Busy, Closed, Write, Other };
  SerialError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
  Kind GetKind() const { return kind_; }

 private:
  Kind kind_;
};

// CommEvent codes the window looks at.
constexpr std::int16_t kComEvReceive = 2;

class SerialPort {
 public:
  virtual ~SerialPort() = default;

  virtual void SetCommPort(std::int16_t port) = 0;
  virtual void SetSettings(const std::string& settings) = 0;
  virtual void SetInBufferSize(std::int16_t size) = 0;
  virtual void SetInputLen(std::int16_t len) = 0;
  virtual void SetOutBufferSize(std::int16_t size) = 0;
  virtual void SetOutBufferCount(std::int16_t count) = 0;
  virtual void SetInputMode(std::int32_t mode) = 0;
  virtual void SetRThreshold(std::int16_t threshold) = 0;
  virtual void SetSThreshold(std::int16_t threshold) = 0;

  // Opening throws SerialError when the device cannot be opened; the port
  // then stays closed. Closing does not wait: bytes still pending are dropped.
  virtual void SetPortOpen(bool open) = 0;
  virtual bool PortOpen() const = 0;

  // Queues the bytes whole, behind those written before, and returns at once;
  // they leave in order while the event loop runs. Throws SerialError when
  // the port is closed or the write fails (the port is then closed).
  virtual void Output(const std::string& bytes) = 0;
  // Bytes written that have not left the computer yet; 0 while closed.
  virtual std::int64_t PendingBytes() const = 0;
  // Takes everything received so far.
  virtual std::string Input() = 0;
  virtual std::int16_t CommEvent() const = 0;

  // The directory whose COMn entries (symbolic links to devices) name ports.
  virtual void SetLinkDirectory(const std::string& dir) = 0;
  // The device behind a port number ("" when there is none); for tooltips.
  virtual std::string DevicePath(std::int16_t port) const = 0;

  // While held (calls nest), the system's serial devices are listed once and
  // that list serves every open and DevicePath; otherwise each lists anew,
  // so that a device plugged in later is found.
  virtual void HoldDeviceList(bool hold) = 0;

  // Raised on the window's thread when data arrived (CommEvent 2).
  std::function<void()> OnComm;
  // Raised on the window's thread as written bytes leave, and once more when
  // none is left; PendingBytes() says how many remain.
  std::function<void()> OnSent;
  // Raised when the device went away, or took nothing for a few seconds
  // while bytes were pending; the port is closed by then.
  std::function<void(const std::string& why)> OnLost;
};

// Holds the device list for as long as it lives.
class DeviceListHold {
 public:
  explicit DeviceListHold(SerialPort& port) : port_(port) { port_.HoldDeviceList(true); }
  ~DeviceListHold() { port_.HoldDeviceList(false); }
  DeviceListHold(const DeviceListHold&) = delete;
  DeviceListHold& operator=(const DeviceListHold&) = delete;

 private:
  SerialPort& port_;
};

}  // namespace zl
