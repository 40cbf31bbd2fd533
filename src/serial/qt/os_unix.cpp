#include "serial/qt/os.h"

#include <QCollator>
#include <QLocale>
#include <QSerialPortInfo>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zl::serial {

namespace {

namespace fs = std::filesystem;

// The COMn entries of `dir`, each with the device it names. A dangling link
// keeps its target so that opening it reports which device is missing.
std::map<int, std::string> ReadLinks(const std::string& dir) {
  std::map<int, std::string> links;
  if (dir.empty()) return links;
  for (int n = kFirstPort; n <= kLastPort; ++n) {
    const fs::path entry = fs::path(dir) / ("COM" + std::to_string(n));
    std::error_code ec;
    const fs::path device = fs::canonical(entry, ec);
    if (!ec) {
      links[n] = device.string();
      continue;
    }
    if (!fs::is_symlink(fs::symlink_status(entry, ec))) continue;
    const fs::path target = fs::read_symlink(entry, ec);
    if (ec) continue;
    links[n] = (fs::absolute(entry, ec).parent_path() / target).lexically_normal().string();
  }
  return links;
}

std::vector<std::string> SystemDevices() {
  std::vector<std::string> devices;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    std::error_code ec;
    const fs::path device = fs::canonical(info.systemLocation().toStdString(), ec);
    // Such ports would take numbers and could never be opened.
    if (!ec && WithoutHardware(device.string())) continue;
    devices.push_back(ec ? std::string() : device.string());
  }
  return devices;
}

// Path order with digit runs compared by value: ttyS2 before ttyS10. The
// numbering must not follow the user's language, and the C locale's
// collator compares plain code points.
void SortByPath(std::vector<std::string>& devices) {
  QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
  collator.setNumericMode(true);
  std::stable_sort(devices.begin(), devices.end(), [&collator](const std::string& a, const std::string& b) {
    return collator.compare(QString::fromStdString(a), QString::fromStdString(b)) < 0;
  });
}

}  // namespace

bool WithoutHardware(const std::string& device, const std::string& tty_classes) {
  std::ifstream type(fs::path(tty_classes) / fs::path(device).filename() / "type");
  int uart = -1;
  return static_cast<bool>(type >> uart) && uart == 0;
}

std::map<int, std::string> CurrentPortMap(const std::string& link_dir, const DeviceLister& list_devices) {
  std::vector<std::string> devices = list_devices ? list_devices() : SystemDevices();
  SortByPath(devices);
  return MapPorts(ReadLinks(link_dir), devices);
}

OpenCause PermissionCause(const std::string& device) {
  // Asked with the effective ids, as open() is.
  if (::faccessat(AT_FDCWD, device.c_str(), R_OK | W_OK, AT_EACCESS) == 0) return OpenCause::Busy;
  return errno == EACCES || errno == EPERM ? OpenCause::PermissionDenied : OpenCause::Other;
}

std::string OwningGroup(const std::string& device) {
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0 || st.st_gid == 0 || (st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
    return {};
  const struct group* g = ::getgrgid(st.st_gid);
  return g && g->gr_name ? std::string(g->gr_name) : std::string();
}

std::int64_t DriverQueue(const QSerialPort& port) {
  const int fd = static_cast<int>(port.handle());
  int queued = 0;
  if (fd >= 0 && ::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0) return queued;
  return 0;
}

bool DeviceGone(const QSerialPort& port, const std::string& device) {
  const int fd = static_cast<int>(port.handle());
  if (fd < 0) return true;
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) return true;
  std::error_code ec;
  return !fs::exists(device, ec);
}

}  // namespace zl::serial
