#include "support/testdb.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/sqlite_database.h"

namespace zl::test {

std::string MakeTestDb(const std::string& dir, const std::string& extra_sql) {
  std::ifstream in(ZL_DATA_SQL, std::ios::binary);
  if (!in) throw std::runtime_error(std::string("cannot read ") + ZL_DATA_SQL);
  std::string script((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  script += "\n";
  script += extra_sql;
  const std::string path = dir + "/Data.mdb";
  CreateDatabaseFromScript(path, script);
  return path;
}

std::string QueryRows(const std::string& db_path, const std::string& sql) {
  static std::atomic<unsigned> counter{0};
  const QString name = QStringLiteral("zl-test-rows-%1").arg(++counter);
  std::string out;
  QString error;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    // Read-only, and never creating the file being checked.
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY"));
    const QString abs = QDir::cleanPath(QDir(QString::fromStdString(db_path)).absolutePath());
    db.setDatabaseName(QStringLiteral("file://") + QString::fromLatin1(QUrl::toPercentEncoding(abs, "/")) +
                       QStringLiteral("?mode=ro"));
    if (!db.open()) {
      error = db.lastError().text();
    } else {
      QSqlQuery q(db);
      if (!q.exec(QString::fromStdString(sql))) {
        error = q.lastError().text();
      } else {
        const int n = q.record().count();
        while (q.next()) {
          QStringList cells;
          for (int i = 0; i < n; ++i) cells << (q.isNull(i) ? QStringLiteral("NULL") : q.value(i).toString());
          out += cells.join(QLatin1Char('|')).toStdString() + "\n";
        }
      }
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
  if (!error.isEmpty()) throw std::runtime_error("QueryRows(" + sql + "): " + error.toStdString());
  return out;
}

}  // namespace zl::test
