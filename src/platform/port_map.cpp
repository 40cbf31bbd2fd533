#include "port_map.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace zl::serial {

namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// "/dev/ttyS2" before "/dev/ttyS10": digit runs compare by value.
bool PathLess(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      std::size_t ie = i, je = j;
      while (ie < a.size() && IsDigit(a[ie])) ++ie;
      while (je < b.size() && IsDigit(b[je])) ++je;
      std::string da = a.substr(i, ie - i), db = b.substr(j, je - j);
      da.erase(0, std::min(da.find_first_not_of('0'), da.size()));
      db.erase(0, std::min(db.find_first_not_of('0'), db.size()));
      if (da.size() != db.size()) return da.size() < db.size();
      if (da != db) return da < db;
      i = ie;
      j = je;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;  // equal by value ("ttyS01" vs "ttyS1"): any fixed order
}

}  // namespace

std::map<int, std::string> MapPorts(const std::map<int, std::string>& links,
                                    std::vector<std::string> devices) {
  std::map<int, std::string> map;
  std::set<std::string> taken;
  for (const auto& [port, device] : links) {
    if (port < kFirstPort || port > kLastPort || device.empty()) continue;
    map[port] = device;
    taken.insert(device);
  }
  std::sort(devices.begin(), devices.end(), PathLess);
  devices.erase(std::unique(devices.begin(), devices.end()), devices.end());
  auto next = devices.begin();
  for (int port = kFirstPort; port <= kLastPort; ++port) {
    if (map.count(port)) continue;
    while (next != devices.end() && (next->empty() || taken.count(*next))) ++next;
    if (next == devices.end()) break;
    map[port] = *next++;
  }
  return map;
}

SerialError OpenFailure(int port, const std::string& device, OpenCause cause,
                        const std::string& group, const std::string& detail) {
  using Kind = SerialError::Kind;
  const std::string com = "COM" + std::to_string(port);
  switch (cause) {
    case OpenCause::NotFound:
      if (device.empty()) return SerialError(Kind::NotFound, "no serial device for COM " + std::to_string(port));
      return SerialError(Kind::NotFound, com + ": device " + device + " not found");
    case OpenCause::PermissionDenied: {
      const std::string who = group.empty() ? "the group that owns the device"
                                            : "the group \"" + group + "\" that owns the device";
      std::string text = com + ": permission denied on " + device + ". The user must be a member of " + who +
                         ", then log out and log in again";
      if (!group.empty()) text += " (for example: sudo usermod -aG " + group + " $USER)";
      return SerialError(Kind::Permission, text + ".");
    }
    case OpenCause::Busy:
      return SerialError(Kind::Busy, com + ": device " + device + " is held by another program" +
                                         (detail.empty() ? std::string() : " (" + detail + ")"));
    case OpenCause::Other:
      break;
  }
  return SerialError(Kind::Other, com + ": cannot open " + device + (detail.empty() ? "" : ": " + detail));
}

}  // namespace zl::serial
