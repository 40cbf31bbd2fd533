// Internal to the Qt serial control: the questions only the system can
// answer. One source file per system family, chosen by the build.
#pragma once

#include <QSerialPort>

#include <cstdint>
#include <map>
#include <string>

#include "serial/port_map.h"
#include "serial/qt/qt_serial_port.h"

namespace zl::serial {

// Port number -> device of every port that can be opened now.
std::map<int, std::string> CurrentPortMap(const std::string& link_dir, const DeviceLister& list_devices);

// Whether `device` is a legacy serial port with no hardware behind it, which
// the system may list all the same: its UART type in `tty_classes` is 0.
bool WithoutHardware(const std::string& device, const std::string& tty_classes = "/sys/class/tty");

// What a failed open of `device` that Qt reports as a permission error
// means, from the device's access rights: Qt gives that code for a lock file
// or an exclusive hold of another program too, in the user's language.
OpenCause PermissionCause(const std::string& device);

// The group that owns `device`, when joining it gives access: its members
// may read and write the device and it is not the superuser's group. ""
// otherwise, or when unknown or not a notion here.
std::string OwningGroup(const std::string& device);

// Bytes the driver still holds for the open `port`, not yet on the line.
std::int64_t DriverQueue(const QSerialPort& port);

// Whether the device behind the open `port`, opened as `device`, is gone.
bool DeviceGone(const QSerialPort& port, const std::string& device);

}  // namespace zl::serial
