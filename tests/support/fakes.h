// Test doubles for the platform services.
#pragma once

#include <cstdint>
#include <functional>
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
  std::set<std::int16_t> openable;   // port numbers that open
  std::vector<std::string> calls;    // port, settings and opening, in order: "Settings=19200,N,8,1"
  std::vector<std::string> writes;   // one entry per Output call
  std::vector<std::int16_t> opened;  // port numbers opened, in order
  bool fail_writes = false;
  bool hold_output = false;
  std::int64_t dropped = 0;      // pending bytes a close threw away
  mutable int device_lists = 0;  // times the system's device list was read
  // Runs when an open port is about to close; lets tests check the order of shutdown.
  std::function<void()> before_close;
  std::map<std::int16_t, SerialError::Kind> refusing;  // errors other than NotFound, by port

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
  std::string link_dir;  // as the window set it
  void SetLinkDirectory(const std::string& dir) override { link_dir = dir; }
  void HoldDeviceList(bool hold) override;

  // The board sends `text`: queues it and raises OnComm.
  void Receive(const std::string& text);
  // The device goes away while open.
  void Unplug();
  // `n` held bytes leave (all of them when more): raises OnSent, and once
  // more when none is left.
  void Release(std::int64_t n);
  void ReleaseAll() { Release(pending_); }

 private:
  void Log(const char* name, long v) { calls.push_back(std::string(name) + "=" + std::to_string(v)); }
  void ListDevices() const;
  std::int16_t port_ = 1;
  bool open_ = false;
  std::int64_t pending_ = 0;
  int holds_ = 0;
  mutable bool held_listed_ = false;
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
  std::vector<bool> busy;  // every ShowBusy call, in order
  std::string AppPath() const override { return app_path; }
  void EndWindow() override { ++ended; }
  void ShowBusy(bool on) override { busy.push_back(on); }
  std::string user_data_path, seed_path;
  std::set<std::string> unwritable;  // directories that take no new file
  std::string UserDataPath() const override { return user_data_path; }
  std::string SeedDatabasePath() const override { return seed_path; }
  bool CanWrite(const std::string& dir) const override { return !unwritable.count(dir); }
  std::time_t now = 1796126400;  // 2026-12-01, midday UTC
  std::time_t Now() const override { return now; }
};

}  // namespace zl::test
