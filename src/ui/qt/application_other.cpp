// Windows and macOS: the desktop is always there; Qt's own platform stays.
#include "ui/qt/application_os.h"

namespace zl {

void ChooseQtPlatform() {}

}  // namespace zl
