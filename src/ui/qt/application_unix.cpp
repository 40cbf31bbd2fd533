// X11 and Wayland systems: without either named, Qt's default platform
// cannot start.
#include <QByteArray>
#include <QtGlobal>

#include "ui/qt/application_os.h"

namespace zl {

void ChooseQtPlatform() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

}  // namespace zl
