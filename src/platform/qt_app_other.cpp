// Windows and macOS: the desktop is always there; Qt's own platform stays.
#include "qt_app_os.h"

namespace zl {

void ChooseQtPlatform() {}

}  // namespace zl
