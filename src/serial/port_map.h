// Internal to the Qt serial control: which device a port number stands for,
// and what an open failure tells the user. Kept free of Qt so it can be
// tested with made-up device lists.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "serial/serial_port.h"

namespace zl::serial {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 20;

// `links`: port number -> device path of each COMn entry; `devices`: the
// serial devices the system lists, in the order they are to be numbered
// (the caller sorts them). Links keep their numbers; the free numbers go in
// ascending order to the devices no link names, each device once.
std::map<int, std::string> MapPorts(const std::map<int, std::string>& links, const std::vector<std::string>& devices);

// Windows: port n is the system's COMn, named \\.\COMn from ten on (the
// short name reaches only COM1 to COM9).
std::map<int, std::string> ComPorts();

// Why an open failed: from the error's code and the device's access rights,
// never from the (translated) message.
enum class OpenCause { NotFound, PermissionDenied, Busy, Other };

// The error to throw for a failed open of port `port` on `device`. `group` is
// the group whose members may open the device ("" when there is none to
// join, or it is unknown); `detail` is the system's own message, used for
// causes that need it.
SerialError OpenFailure(int port, const std::string& device, OpenCause cause, const std::string& group,
                        const std::string& detail);

}  // namespace zl::serial
