#include "ui/qt/application.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLatin1String>
#include <QString>

#include "ui/qt/application_os.h"

namespace zl {

struct QtApp::Impl {
  std::unique_ptr<QApplication> app;
};

QtApp::QtApp(int& argc, char** argv) : impl_(std::make_unique<Impl>()) {
  ChooseQtPlatform();
  impl_->app = std::make_unique<QApplication>(argc, argv);
  QApplication::setQuitOnLastWindowClosed(true);
  const QString platform = QGuiApplication::platformName();
  display_ = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

QtApp::~QtApp() = default;

int QtApp::Exec() { return QApplication::exec(); }

}  // namespace zl
