#include "fakes.h"

namespace zl::test {

void FakeSerial::SetCommPort(std::int16_t port) {
  if (open_) throw SerialError(SerialError::Kind::Other, "port is open");
  port_ = port;
  calls.push_back("CommPort=" + std::to_string(port));
}

void FakeSerial::SetPortOpen(bool open) {
  calls.push_back(open ? "PortOpen=1" : "PortOpen=0");
  if (open == open_) {
    if (open) throw SerialError(SerialError::Kind::Busy, "port already open");
    return;
  }
  if (open && !openable.count(port_))
    throw SerialError(refusing.count(port_) ? refusing.at(port_) : SerialError::Kind::NotFound,
                      "cannot open COM" + std::to_string(port_));
  open_ = open;
  if (open) opened.push_back(port_);
  dropped += open ? 0 : pending_;
  pending_ = 0;
}

void FakeSerial::Output(const std::string& bytes) {
  if (!open_) throw SerialError(SerialError::Kind::Closed, "port is closed");
  if (fail_writes) {
    open_ = false;
    pending_ = 0;
    throw SerialError(SerialError::Kind::Write, "write failed");
  }
  writes.push_back(bytes);
  if (hold_output) pending_ += static_cast<std::int64_t>(bytes.size());
}

void FakeSerial::Release(std::int64_t n) {
  if (!open_ || pending_ == 0) return;
  pending_ -= n < pending_ ? n : pending_;
  if (OnSent) OnSent();
  if (pending_ == 0 && open_ && OnSent) OnSent();
}

std::string FakeSerial::Input() {
  std::string s;
  s.swap(in_);
  return s;
}

std::string FakeSerial::DevicePath(std::int16_t port) const {
  return openable.count(port) ? "/dev/fake" + std::to_string(port) : std::string();
}

void FakeSerial::Receive(const std::string& text) {
  in_ += text;
  event_ = kComEvReceive;
  if (OnComm) OnComm();
}

void FakeSerial::Unplug() {
  open_ = false;
  pending_ = 0;
  if (OnLost) OnLost("device removed");
}

}  // namespace zl::test
