// zentrel-loader: programs an LED display board over a serial line.
#include <cstdio>

#include "app/frm_form.h"
#include "serial/qt/qt_serial_port.h"
#include "storage/access/conversion.h"
#include "storage/sqlite/database.h"
#include "ui/qt/application.h"
#include "ui/qt/command_line.h"
#include "ui/qt/toolkit.h"
#include "ui/qt/view.h"

int main(int argc, char** argv) {
  // Started again by itself to read an Access file, apart from the window.
  if (const auto rc = zl::RunAccessReaderIfAsked(argc, argv)) return *rc;
  if (const auto rc = zl::AnswerCommandLine(argc, argv)) return *rc;
  zl::QtApp app(argc, argv);
  zl::QtToolkit toolkit;
  zl::QtMessages messages(app.DisplayPresent());
  auto db = zl::MakeSqliteDatabase();
  // Told where its COMn links are once the window knows where the data lives.
  auto com = zl::MakeQtSerialPort(toolkit.AppPath());

  const std::string program = toolkit.ProgramPath();
  zl::FrmForm form(zl::Services{*db, *com, messages, toolkit, [&](const std::string& path) {
                                  return zl::ConvertAccessFile(path, program, toolkit.SeedDatabasePath());
                                }});
  try {
    form.Form_Load();
  } catch (const zl::DbError& e) {
    // The window is never shown, and the database file is left as it was.
    messages.Show(form.DataFile() + ": " + e.Report());
    return 1;
  }
  if (!app.DisplayPresent()) {
    std::fputs("zentrel-loader: no display to show the window on\n", stderr);
    bool cancel = false;
    form.Form_Unload(cancel);
    return 2;
  }

  zl::QtView view(form.window);
  toolkit.SetView(&view);
  messages.SetParent(&view);
  view.Show();
  const int rc = app.Exec();
  // The window may have been closed by the platform without the unload
  // event having run (e.g. the session ending).
  form.window.UnloadNow();
  return rc;
}
