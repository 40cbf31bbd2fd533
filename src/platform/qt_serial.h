// The serial control on Qt SerialPort.
#pragma once

#include <memory>
#include <string>

#include "serial.h"

namespace zl {

// Port numbers 1 to 20 map to devices: an entry "COMn" in `link_dir` (a
// symbolic link to a device) is port n; the numbers no entry takes go, in
// order, to the serial devices the system lists, sorted by device path.
std::unique_ptr<SerialPort> MakeQtSerialPort(const std::string& link_dir);

}  // namespace zl
