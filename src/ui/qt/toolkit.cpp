#include "ui/qt/toolkit.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStandardPaths>
#include <QString>
#include <QTimer>

#include <cstdio>

#include "ui/qt/view.h"

namespace zl {

void QtMessages::Show(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
  if (!display_ || !qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  QWidget* parent = view_ ? view_->TopLevel() : nullptr;
  QMessageBox::warning(parent, QStringLiteral("zentrel-loader"), QString::fromStdString(text));
}

std::string QtToolkit::AppPath() const {
  return QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString();
}

std::string QtToolkit::ProgramPath() const { return QCoreApplication::applicationFilePath().toStdString(); }

std::string QtToolkit::UserDataPath() const {
  // The program's name alone, no organisation: ~/.local/share/zentrel-loader
  // on Linux, following XDG_DATA_HOME.
  return QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).toStdString();
}

std::string QtToolkit::SeedDatabasePath() const {
  return QDir::toNativeSeparators(
             QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/" ZL_SEED_FROM_BINDIR)))
      .toStdString();
}

void QtToolkit::ShowBusy(bool on) {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
  if (on)
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QGuiApplication::restoreOverrideCursor();
}

void QtToolkit::EndWindow() {
  if (view_) view_->Close();
  if (QCoreApplication* app = QCoreApplication::instance()) QTimer::singleShot(0, app, &QCoreApplication::quit);
}

}  // namespace zl
