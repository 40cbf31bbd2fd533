#include "serial_os.h"

namespace zl::serial {

// Port n is the system's COMn; no link directory, nothing to list.
std::map<int, std::string> CurrentPortMap(const std::string& /*link_dir*/, const DeviceLister& /*list_devices*/) {
  std::map<int, std::string> map;
  for (int n = kFirstPort; n <= kLastPort; ++n) map[n] = "COM" + std::to_string(n);
  return map;
}

// A COM port has no per-user rights to lack, and opens for one program at a
// time: the system's "access denied" means another program holds it.
OpenCause PermissionCause(const std::string& /*device*/) { return OpenCause::Busy; }

std::string OwningGroup(const std::string& /*device*/) { return {}; }

// The driver's queue is not exposed here; Qt's own buffer is all that is known.
std::int64_t DriverQueue(const QSerialPort& /*port*/) { return 0; }

// A removed device shows up as Qt's resource error instead.
bool DeviceGone(const QSerialPort& /*port*/, const std::string& /*device*/) { return false; }

}  // namespace zl::serial
