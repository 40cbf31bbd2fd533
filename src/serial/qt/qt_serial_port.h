// The serial control on Qt SerialPort.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "serial/serial_port.h"

namespace zl {

// Port numbers 1 to 20 map to devices: an entry "COMn" in `link_dir` (a
// symbolic link to a device) is port n; the numbers no entry takes go, in
// order, to the serial devices the system lists, sorted by path with digit
// runs by value (ttyS2 before ttyS10).
// `list_devices` stands in for the system's list (tests); empty: the system's.
using DeviceLister = std::function<std::vector<std::string>()>;
std::unique_ptr<SerialPort> MakeQtSerialPort(const std::string& link_dir, DeviceLister list_devices = {});

}  // namespace zl
