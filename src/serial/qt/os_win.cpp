#include "serial/qt/os.h"

namespace zl::serial {

// Port n is the system's COMn; no link directory, nothing to list.
std::map<int, std::string> CurrentPortMap(const std::string& /*link_dir*/, const DeviceLister& /*list_devices*/) {
  return ComPorts();
}

// A COM port opens for one program at a time and has no rights per user:
// Windows' "access denied" is its answer while another program holds the
// port. (A port that does not exist is "not found", told before this.)
OpenCause PermissionCause(const std::string& /*device*/) { return OpenCause::Busy; }

std::string OwningGroup(const std::string& /*device*/) { return {}; }

// The driver's queue is not exposed here; Qt's own buffer is all that is known.
std::int64_t DriverQueue(const QSerialPort& /*port*/) { return 0; }

// A removed device shows up as Qt's resource error instead.
bool DeviceGone(const QSerialPort& /*port*/, const std::string& /*device*/) { return false; }

}  // namespace zl::serial
