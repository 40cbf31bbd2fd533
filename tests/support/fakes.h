// Test doubles for the platform services.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/shell.h"
#include "serial/serial_port.h"

namespace zl::test {

// Records what the window does to its serial control. A written frame leaves
// at once unless `hold_output` keeps its bytes pending until Release.
class FakeSerial : public SerialPort {
 public:
  std::set<std::int16_t> openable;                     // port numbers that open
  std::map<std::int16_t, SerialError::Kind> refusing;  // errors other than NotFound, by port
  std::vector<std::string> calls;                      // "CommPort=3", "Settings=19200,N,8,1", "PortOpen=1"
  std::vector<std::string> writes;                     // one entry per Output call
  std::vector<std::int16_t> opened;                    // port numbers opened, in order
  bool fail_writes = false;
  bool hold_output = false;
  std::int64_t dropped = 0;  // pending bytes a close threw away

  void SetCommPort(std::int16_t port) override;
  void SetSettings(const std::string& s) override { calls.push_back("Settings=" + s); }
  // The buffer and threshold settings have no effect on a fake.
  void SetInBufferSize(std::int16_t) override {}
  void SetInputLen(std::int16_t) override {}
  void SetOutBufferSize(std::int16_t) override {}
  void SetOutBufferCount(std::int16_t) override {}
  void SetInputMode(std::int32_t) override {}
  void SetRThreshold(std::int16_t) override {}
  void SetSThreshold(std::int16_t) override {}
  void SetPortOpen(bool open) override;
  bool PortOpen() const override { return open_; }
  void Output(const std::string& bytes) override;
  std::int64_t PendingBytes() const override { return open_ ? pending_ : 0; }
  std::string Input() override;
  std::int16_t CommEvent() const override { return event_; }
  std::string DevicePath(std::int16_t port) const override;
  void SetLinkDirectory(const std::string&) override {}
  void HoldDeviceList(bool) override {}

  // The board sends `text`: queues it and raises OnComm.
  void Receive(const std::string& text);
  // The device goes away while open.
  void Unplug();
  // `n` held bytes leave (all of them when more): raises OnSent, and once
  // more when none is left.
  void Release(std::int64_t n);
  void ReleaseAll() { Release(pending_); }

 private:
  std::int16_t port_ = 1;
  bool open_ = false;
  std::int64_t pending_ = 0;
  std::string in_;
  std::int16_t event_ = 0;
};

class RecordingMessages : public MessageSink {
 public:
  std::vector<std::string> shown;
  void Show(const std::string& text) override { shown.push_back(text); }
};

class FakeToolkit : public Toolkit {
 public:
  std::string app_path = "/opt/zentrel";
  int ended = 0;
  std::vector<bool> busy;        // every ShowBusy call, in order
  std::time_t now = 1796126400;  // 2026-12-01, midday UTC
  std::string AppPath() const override { return app_path; }
  void EndWindow() override { ++ended; }
  void ShowBusy(bool on) override { busy.push_back(on); }
  // Data.mdb stays beside the program, even in a folder a test made unwritable.
  bool CanWrite(const std::string&) const override { return true; }
  std::time_t Now() const override { return now; }
};

}  // namespace zl::test
