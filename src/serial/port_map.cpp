#include "serial/port_map.h"

#include <set>

namespace zl::serial {

std::map<int, std::string> MapPorts(const std::map<int, std::string>& links, const std::vector<std::string>& devices) {
  std::map<int, std::string> map;
  std::set<std::string> taken;
  for (const auto& [port, device] : links) {
    if (port < kFirstPort || port > kLastPort || device.empty()) continue;
    map[port] = device;
    taken.insert(device);
  }
  auto next = devices.begin();
  for (int port = kFirstPort; port <= kLastPort; ++port) {
    if (map.count(port)) continue;
    while (next != devices.end() && (next->empty() || taken.count(*next))) ++next;
    if (next == devices.end()) break;
    taken.insert(*next);
    map[port] = *next++;
  }
  return map;
}

std::map<int, std::string> ComPorts() {
  std::map<int, std::string> map;
  for (int n = kFirstPort; n <= kLastPort; ++n) map[n] = (n < 10 ? "COM" : "\\\\.\\COM") + std::to_string(n);
  return map;
}

SerialError OpenFailure(int port, const std::string& device, OpenCause cause, const std::string& group,
                        const std::string& detail) {
  using Kind = SerialError::Kind;
  const std::string com = "COM" + std::to_string(port);
  switch (cause) {
    case OpenCause::NotFound:
      if (device.empty()) return SerialError(Kind::NotFound, "no serial device for COM " + std::to_string(port));
      return SerialError(Kind::NotFound, com + ": device " + device + " not found");
    case OpenCause::PermissionDenied:
      if (group.empty())
        return SerialError(Kind::Permission, com + ": this user may not open " + device +
                                                 ", and no group a user can join may open it either; the system's "
                                                 "administrator can give access to it.");
      return SerialError(Kind::Permission,
                         com + ": this user may not open " + device + ", which belongs to the group \"" + group +
                             "\". Joining that group lets the program use it:\n    sudo usermod -aG " + group +
                             " $USER\nthen log out and log in again.");
    case OpenCause::Busy:
      return SerialError(Kind::Busy, com + ": device " + device + " is held by another program" +
                                         (detail.empty() ? std::string() : " (" + detail + ")"));
    case OpenCause::Other: break;
  }
  return SerialError(Kind::Other, com + ": cannot open " + device + (detail.empty() ? "" : ": " + detail));
}

}  // namespace zl::serial
