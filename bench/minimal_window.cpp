// A plain Qt Widgets main window with a File menu and a table, the yardstick
// against which bench/startup.sh measures the program's start-up.
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStandardItemModel>
#include <QTableView>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("zl minimal window"));
  QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(QStringLiteral("&New"));
  file->addSeparator();
  file->addAction(QStringLiteral("&Exit"), &app, &QApplication::quit);
  auto* model = new QStandardItemModel(0, 6, &window);
  auto* table = new QTableView(&window);
  table->setModel(model);
  window.setCentralWidget(table);
  window.setGeometry(0, 0, 1024, 590);
  window.show();
  return app.exec();
}
