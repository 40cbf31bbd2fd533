#include "sqlite_database.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "cp1252.h"
#include "jet_import.h"

namespace zl {

namespace {

// Numbers of the errors this layer raises itself, as the old provider
// numbered them, so reports read the same.
constexpr int kOutOfRange = 3001;
constexpr int kNoCurrentRecord = 3021;
constexpr int kReadOnly = 3251;
constexpr int kNoSuchItem = 3265;
constexpr int kClosed = 3704;
constexpr int kAlreadyOpen = 3705;
constexpr int kRowGone = -2147217864;
constexpr int kNotADatabase = 26;  // SQLITE_NOTADB
constexpr int kFileExists = 3012;

const char kRowidName[] = "zl_rowid__";

QString NextConnectionName(const char* prefix) {
  static std::atomic<unsigned> counter{0};
  return QStringLiteral("%1-%2").arg(QLatin1String(prefix)).arg(++counter);
}

DbError ErrorOf(const QSqlError& e) {
  bool ok = false;
  int number = e.nativeErrorCode().toInt(&ok);
  if (!ok || number == 0) number = 1;
  QString message = e.databaseText().isEmpty() ? e.driverText() : e.databaseText();
  if (message.isEmpty()) message = e.text();
  return DbError(number, message.toStdString());
}

DbError ClosedError() { return DbError(kClosed, "Operation is not allowed when the object is closed."); }

QString Quote(const std::string& name) {
  QString n = QString::fromStdString(name);
  n.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + n + QLatin1Char('"');
}

Value FromColumn(const QSqlQuery& q, int i) {
  if (q.isNull(i)) return Value();
  const QVariant v = q.value(i);
  switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
      return Value(static_cast<std::int64_t>(v.toLongLong()));
    case QMetaType::Double: {
      const double d = v.toDouble();
      if (std::floor(d) == d && std::fabs(d) < 9.0e18) return Value(static_cast<std::int64_t>(d));
      return Value(QString::number(d, 'g', 17).toStdString());
    }
    case QMetaType::QByteArray:
      return Value(v.toByteArray().toStdString());
    default:
      return Value(Utf8ToCp1252(v.toString().toStdString()));
  }
}

QVariant ToVariant(const Value& value) {
  if (value.IsNumber()) return QVariant(static_cast<qlonglong>(value.Number()));
  if (value.IsText()) return QVariant(QString::fromStdString(Cp1252ToUtf8(value.Str())));
  return QVariant();
}

// One connection, shared with the recordsets opened on it so that they see
// when it goes away.
struct Connection {
  QString name;
  bool open = false;

  QSqlDatabase Db() const {
    if (!open) throw ClosedError();
    return QSqlDatabase::database(name, false);
  }
};

// Single-table queries of the forms the window uses get the rowid fetched
// along, so that writes reach exactly the rows read.
struct QueryShape {
  bool single_table = false;
  QString table;
  QString with_rowid;
};

QueryShape Classify(const QString& sql) {
  static const QRegularExpression simple(
      QStringLiteral(R"(^\s*SELECT\s+(\*|[A-Za-z_]\w*(?:\s*,\s*[A-Za-z_]\w*)*)\s+FROM\s+([A-Za-z_]\w*))"
                     R"(((?:\s+(?:WHERE|ORDER\s+BY)\b.*)?)\s*;?\s*$)"),
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  static const QRegularExpression grouping(QStringLiteral(R"(\b(GROUP\s+BY|UNION|JOIN|HAVING)\b)"),
                                           QRegularExpression::CaseInsensitiveOption);
  QueryShape shape;
  const QRegularExpressionMatch m = simple.match(sql);
  if (!m.hasMatch() || grouping.match(m.captured(3)).hasMatch()) return shape;
  shape.single_table = true;
  shape.table = m.captured(2);
  shape.with_rowid = QStringLiteral("SELECT rowid AS %1, %2 FROM %3%4")
                         .arg(QLatin1String(kRowidName), m.captured(1), m.captured(2), m.captured(3));
  return shape;
}

class SqliteRecordset : public Recordset {
 public:
  SqliteRecordset(std::shared_ptr<Connection> conn, const std::string& sql)
      : conn_(std::move(conn)), sql_(QString::fromStdString(sql)) {}

  void Load() {
    const QSqlDatabase db = conn_->Db();
    const QueryShape shape = Classify(sql_);
    Snapshot snap;
    if (shape.single_table) {
      try {
        snap = Run(db, shape.with_rowid, true);
        snap.table = shape.table;
      } catch (const DbError&) {
        // A view or a table without rowid: readable, not writable.
        snap = Run(db, sql_, false);
      }
    } else {
      snap = Run(db, sql_, false);
    }
    snap_ = std::move(snap);
    cur_ = 0;
    open_ = true;
  }

  bool IsOpen() const override { return open_; }

  void Close() override {
    open_ = false;
    snap_ = Snapshot();
    DiscardPending();
    cur_ = 0;
  }

  int RecordCount() const override {
    CheckOpen();
    return static_cast<int>(snap_.rows.size());
  }
  int FieldCount() const override {
    CheckOpen();
    return static_cast<int>(snap_.names.size());
  }
  std::string FieldName(int pos) const override {
    CheckPos(pos);
    return snap_.names[pos];
  }
  int FieldIndex(const std::string& name) const override {
    CheckOpen();
    const QString wanted = QString::fromStdString(name);
    for (std::size_t i = 0; i < snap_.names.size(); ++i)
      if (QString::fromStdString(snap_.names[i]).compare(wanted, Qt::CaseInsensitive) == 0)
        return static_cast<int>(i);
    throw DbError(1, "no such column: " + name);
  }

  void MoveFirst() override {
    CheckOpen();
    SavePending();
    if (snap_.rows.empty()) throw NoCurrent();
    cur_ = 0;
    NotifyChanged();
  }
  void MoveNext() override {
    CheckOpen();
    SavePending();
    if (cur_ >= Count()) throw NoCurrent();
    ++cur_;
    NotifyChanged();
  }
  bool Eof() const override {
    CheckOpen();
    return cur_ >= Count();
  }
  bool Bof() const override {
    CheckOpen();
    return snap_.rows.empty();
  }
  int Position() const override {
    CheckOpen();
    return cur_ < Count() ? cur_ : -1;
  }
  void SetPosition(int row) override {
    CheckOpen();
    if (row < 0 || row >= Count()) throw DbError(kOutOfRange, "row " + std::to_string(row) + " is out of range");
    SavePending();
    cur_ = row;
    NotifyChanged();
  }

  Value Field(int pos) const override {
    CheckPos(pos);
    if (adding_) return new_values_[pos];
    if (cur_ >= Count()) throw NoCurrent();
    return snap_.rows[cur_].values[pos];
  }
  Value FieldAt(int row, int pos) const override {
    CheckPos(pos);
    if (row < 0 || row >= Count()) throw DbError(kOutOfRange, "row " + std::to_string(row) + " is out of range");
    return snap_.rows[row].values[pos];
  }
  void SetField(int pos, const Value& value) override {
    CheckPos(pos);
    CheckWritable();
    if (adding_) {
      new_values_[pos] = value;
      new_set_[pos] = true;
      return;
    }
    if (cur_ >= Count()) throw NoCurrent();
    Value& slot = snap_.rows[cur_].values[pos];
    edited_.emplace(pos, slot);  // keeps the value read, not an earlier edit
    slot = value;
  }

  void AddNew() override {
    CheckOpen();
    CheckWritable();
    SavePending();
    adding_ = true;
    new_values_.assign(snap_.names.size(), Value());
    new_set_.assign(snap_.names.size(), false);
  }

  void Update() override {
    CheckOpen();
    CheckWritable();
    if (adding_) Insert();
    WriteEdits();
    NotifyChanged();
  }

  void UpdateBatch() override { Update(); }

  void Delete() override {
    CheckOpen();
    CheckWritable();
    DiscardPending();
    if (cur_ >= Count()) throw NoCurrent();
    const QSqlDatabase db = conn_->Db();
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(Quote(snap_.table.toStdString()))))
      throw ErrorOf(q.lastError());
    q.addBindValue(static_cast<qlonglong>(snap_.rows[cur_].rowid));
    if (!q.exec()) throw ErrorOf(q.lastError());
    if (q.numRowsAffected() == 0) throw RowGone();
    snap_.rows.erase(snap_.rows.begin() + cur_);
    NotifyChanged();
  }

  void Requery() override {
    CheckOpen();
    DiscardPending();
    Load();
    NotifyChanged();
  }

 private:
  struct Row {
    qint64 rowid = 0;
    std::vector<Value> values;
  };
  struct Snapshot {
    QString table;  // empty: read-only
    std::vector<std::string> names;
    std::vector<Row> rows;
  };

  static Snapshot Run(const QSqlDatabase& db, const QString& sql, bool with_rowid) {
    Snapshot snap;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(sql)) throw ErrorOf(q.lastError());
    const int first = with_rowid ? 1 : 0;
    const QSqlRecord rec = q.record();
    for (int i = first; i < rec.count(); ++i) snap.names.push_back(rec.fieldName(i).toStdString());
    while (q.next()) {
      Row row;
      if (with_rowid) row.rowid = q.value(0).toLongLong();
      for (int i = first; i < rec.count(); ++i) row.values.push_back(FromColumn(q, i));
      snap.rows.push_back(std::move(row));
    }
    if (q.lastError().isValid()) throw ErrorOf(q.lastError());
    return snap;
  }

  int Count() const { return static_cast<int>(snap_.rows.size()); }

  void CheckOpen() const {
    if (!open_) throw ClosedError();
  }
  void CheckPos(int pos) const {
    CheckOpen();
    if (pos < 0 || pos >= static_cast<int>(snap_.names.size()))
      throw DbError(kNoSuchItem, "Item cannot be found in the collection corresponding to the requested name or ordinal.");
  }
  void CheckWritable() const {
    if (snap_.table.isEmpty()) throw DbError(kReadOnly, "Current Recordset does not support updating.");
  }
  static DbError NoCurrent() { return DbError(kNoCurrentRecord, "no current record"); }
  static DbError RowGone() {
    return DbError(kRowGone, "Row cannot be located for updating. Some values may have been changed since it was last read.");
  }

  // Leaving a row with unsaved changes saves them, as the old provider did.
  void SavePending() {
    if (adding_ || !edited_.empty()) Update();
  }

  void DiscardPending() {
    if (!edited_.empty() && cur_ < Count())
      for (const auto& [pos, old] : edited_) snap_.rows[cur_].values[pos] = old;
    edited_.clear();
    adding_ = false;
    new_values_.clear();
    new_set_.clear();
  }

  void Insert() {
    adding_ = false;
    std::vector<Value> values = std::move(new_values_);
    std::vector<bool> set = std::move(new_set_);
    new_values_.clear();
    new_set_.clear();
    const QSqlDatabase db = conn_->Db();
    QStringList cols, marks;
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (!set[i]) continue;
      cols << Quote(snap_.names[i]);
      marks << QStringLiteral("?");
    }
    const QString table = Quote(snap_.table.toStdString());
    const QString sql = cols.isEmpty()
                            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(table, cols.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    QSqlQuery q(db);
    if (!q.prepare(sql)) throw ErrorOf(q.lastError());
    for (std::size_t i = 0; i < values.size(); ++i)
      if (set[i]) q.addBindValue(ToVariant(values[i]));
    if (!q.exec()) throw ErrorOf(q.lastError());
    Row row;
    row.rowid = q.lastInsertId().toLongLong();
    row.values = std::move(values);
    q.finish();
    ReadBack(db, row);
    snap_.rows.push_back(std::move(row));
    cur_ = Count() - 1;
  }

  void WriteEdits() {
    if (edited_.empty()) return;
    const std::map<int, Value> edits = std::move(edited_);
    edited_.clear();
    Row& row = snap_.rows[cur_];
    try {
      const QSqlDatabase db = conn_->Db();
      QStringList sets;
      for (const auto& e : edits) sets << Quote(snap_.names[e.first]) + QStringLiteral("=?");
      QSqlQuery q(db);
      if (!q.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?")
                         .arg(Quote(snap_.table.toStdString()), sets.join(QLatin1Char(',')))))
        throw ErrorOf(q.lastError());
      for (const auto& e : edits) q.addBindValue(ToVariant(row.values[e.first]));
      q.addBindValue(static_cast<qlonglong>(row.rowid));
      if (!q.exec()) throw ErrorOf(q.lastError());
      if (q.numRowsAffected() == 0) throw RowGone();
      q.finish();
      ReadBack(db, row);
    } catch (...) {
      for (const auto& [pos, old] : edits) row.values[pos] = old;
      throw;
    }
  }

  // The snapshot shows what the table holds (the column's type may have
  // converted the value written).
  void ReadBack(const QSqlDatabase& db, Row& row) const {
    QStringList cols;
    for (const std::string& n : snap_.names) cols << Quote(n);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?")
                       .arg(cols.join(QLatin1Char(',')), Quote(snap_.table.toStdString()))))
      return;
    q.addBindValue(static_cast<qlonglong>(row.rowid));
    if (!q.exec() || !q.next()) return;
    for (int i = 0; i < static_cast<int>(row.values.size()); ++i) row.values[i] = FromColumn(q, i);
  }

  std::shared_ptr<Connection> conn_;
  QString sql_;
  bool open_ = false;
  Snapshot snap_;
  int cur_ = 0;  // == row count: past the last row
  std::map<int, Value> edited_;  // position -> value read, for the current row
  bool adding_ = false;
  std::vector<Value> new_values_;
  std::vector<bool> new_set_;
};

class SqliteDatabase : public Database {
 public:
  ~SqliteDatabase() override { Close(); }

  std::optional<std::string> ConvertForeign(const std::string& path) override {
    if (!IsJetFile(path)) return std::nullopt;
    std::string kept;
    try {
      kept = ConvertJetDatabase(path);
    } catch (const DbError& e) {
      throw DbError(e.Number(), path + " is an Access file that cannot be converted, and was left as it is: " +
                                    e.what());
    }
    return "Data.mdb was an Access file and has been converted for this program. The original is kept as " +
           kept + ".";
  }

  void Open(const std::string& path) override {
    if (IsOpen()) throw DbError(kAlreadyOpen, "Operation is not allowed when the object is open.");
    const QFileInfo info(QString::fromStdString(path));
    // SQLite takes a zero-length file for an empty database; no database
    // this program can use is empty.
    if (info.isFile() && info.size() == 0) throw DbError(kNotADatabase, "file is not a database");
    const QString abs = QDir::cleanPath(info.absoluteFilePath());
    // mode=rw: open an existing file only, never create one.
    const QString uri = QStringLiteral("file://") + QString::fromLatin1(QUrl::toPercentEncoding(abs, "/")) +
                        QStringLiteral("?mode=rw");
    auto conn = std::make_shared<Connection>();
    conn->name = NextConnectionName("zl-sqlite");
    std::optional<DbError> error;
    {
      QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn->name);
      db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
      db.setDatabaseName(uri);
      if (!db.open()) {
        error = ErrorOf(db.lastError());
      } else {
        // Opening reads nothing; a read tells a database from another file.
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) error = ErrorOf(q.lastError());
      }
      if (error) db.close();
    }
    if (error) {
      QSqlDatabase::removeDatabase(conn->name);
      throw *error;
    }
    conn->open = true;
    conn_ = std::move(conn);
  }

  bool IsOpen() const override { return conn_ && conn_->open; }

  void Close() override {
    if (!IsOpen()) return;
    conn_->open = false;
    {
      QSqlDatabase db = QSqlDatabase::database(conn_->name, false);
      db.close();
    }
    QSqlDatabase::removeDatabase(conn_->name);
    conn_.reset();
  }

  void Execute(const std::string& sql) override {
    const QSqlDatabase db = Live();
    // The New command's Jet form of emptying a table.
    static const QRegularExpression jet_delete(QStringLiteral(R"(^\s*Delete\s+\*\s+From\s+([A-Za-z_]\w*)\s*;?\s*$)"),
                                               QRegularExpression::CaseInsensitiveOption);
    QString text = QString::fromStdString(sql);
    const QRegularExpressionMatch m = jet_delete.match(text);
    if (m.hasMatch()) text = QStringLiteral("DELETE FROM ") + m.captured(1);
    QSqlQuery q(db);
    if (!q.exec(text)) throw ErrorOf(q.lastError());
  }

  std::unique_ptr<Recordset> OpenRecordset(const std::string& sql) override {
    Live();
    auto rs = std::make_unique<SqliteRecordset>(conn_, sql);
    rs->Load();
    return rs;
  }

  void BeginTrans() override {
    QSqlDatabase db = Live();
    if (!db.transaction()) throw ErrorOf(db.lastError());
  }
  void CommitTrans() override {
    QSqlDatabase db = Live();
    if (!db.commit()) throw ErrorOf(db.lastError());
  }
  void RollbackTrans() override {
    QSqlDatabase db = Live();
    if (!db.rollback()) throw ErrorOf(db.lastError());
  }

 private:
  QSqlDatabase Live() const {
    if (!IsOpen()) throw ClosedError();
    return conn_->Db();
  }

  std::shared_ptr<Connection> conn_;
};

QStringList SplitScript(QString script) {
  if (script.startsWith(QChar(0xFEFF))) script.remove(0, 1);
  QStringList statements;
  QString current;
  auto flush = [&] {
    QString s = current.trimmed();
    while (s.endsWith(QLatin1Char(';'))) s.chop(1);
    s = s.trimmed();
    if (!s.isEmpty()) statements << s;
    current.clear();
  };
  for (const QString& line : script.split(QLatin1Char('\n'))) {
    const QString t = line.trimmed();
    if (t.startsWith(QLatin1String("--"))) continue;
    if (!current.isEmpty()) current += QLatin1Char('\n');
    current += line;
    if (t.endsWith(QLatin1Char(';'))) flush();
  }
  flush();
  return statements;
}

void RemoveTemp(const QString& tmp) {
  QFile::remove(tmp);
  QFile::remove(tmp + QStringLiteral("-journal"));
}

// Writes a new database into `tmp` with `fill` and syncs it to disk, so that
// it may then be renamed into place. Leaves nothing behind on failure.
void WriteTempDatabase(const QString& tmp, const std::function<std::optional<DbError>(QSqlDatabase&)>& fill) {
  RemoveTemp(tmp);
  const QString name = NextConnectionName("zl-write");
  std::optional<DbError> error;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(tmp);
    if (!db.open()) {
      error = ErrorOf(db.lastError());
    } else {
      // The file only counts once renamed; it is synced once, below.
      for (const char* pragma : {"PRAGMA synchronous=OFF", "PRAGMA journal_mode=MEMORY"}) {
        QSqlQuery q(db);
        q.exec(QLatin1String(pragma));
      }
      error = fill(db);
      db.close();
    }
  }
  QSqlDatabase::removeDatabase(name);
  if (!error) {
    const QByteArray tmp_path = QFile::encodeName(tmp);
    const int fd = ::open(tmp_path.constData(), O_RDONLY);
    if (fd < 0 || ::fsync(fd) != 0) error = DbError(1, "cannot write " + tmp.toStdString() + ": " + std::strerror(errno));
    if (fd >= 0) ::close(fd);
  }
  if (error) {
    RemoveTemp(tmp);
    throw *error;
  }
}

QString TempNameFor(const QString& target) {
  return target + QStringLiteral(".tmp-") + QString::number(QCoreApplication::applicationPid());
}

std::optional<DbError> Exec(QSqlDatabase& db, const QString& sql) {
  QSqlQuery q(db);
  if (!q.exec(sql)) return ErrorOf(q.lastError());
  return std::nullopt;
}

// The Jet file's rows, as read, into a new database, in one transaction.
std::optional<DbError> FillFromJet(QSqlDatabase& db, const std::vector<TableRows>& tables) {
  if (!db.transaction()) return ErrorOf(db.lastError());
  auto fail = [&](DbError e) {
    db.rollback();
    return std::optional<DbError>(std::move(e));
  };
  for (const TableRows& t : tables) {
    QStringList columns;
    QStringList marks;
    for (const FieldLayout& f : t.layout->fields) {
      columns << QString::fromLatin1(f.name) +
                     (f.kind == FieldKind::Text ? QStringLiteral(" TEXT") : QStringLiteral(" INTEGER"));
      marks << QStringLiteral("?");
    }
    const QString table = Quote(t.layout->name);
    if (auto e = Exec(db, QStringLiteral("CREATE TABLE %1 (%2)").arg(table, columns.join(QStringLiteral(", ")))))
      return fail(*e);
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(table, marks.join(QStringLiteral(", ")))))
      return fail(ErrorOf(q.lastError()));
    for (const auto& row : t.rows) {
      for (int i = 0; i < static_cast<int>(row.size()); ++i) {
        const Value& v = row[i];
        // Texts arrive as UTF-8 already: stored as read, nothing mapped.
        if (v.IsNull()) q.bindValue(i, QVariant(QMetaType(QMetaType::QString)));
        else if (v.IsNumber()) q.bindValue(i, static_cast<qlonglong>(v.Number()));
        else q.bindValue(i, QString::fromStdString(v.Str()));
      }
      if (!q.exec()) return fail(ErrorOf(q.lastError()));
    }
  }
  if (!db.commit()) return fail(ErrorOf(db.lastError()));
  return std::nullopt;
}

DbError SystemError(const std::string& what) { return DbError(1, what + ": " + std::strerror(errno)); }

}  // namespace

std::unique_ptr<Database> MakeSqliteDatabase() { return std::make_unique<SqliteDatabase>(); }

void CreateDatabaseFromScript(const std::string& path, const std::string& script) {
  const QString target = QString::fromStdString(path);
  const QString tmp = TempNameFor(target);
  WriteTempDatabase(tmp, [&](QSqlDatabase& db) -> std::optional<DbError> {
    for (const QString& s : SplitScript(QString::fromStdString(script)))
      if (auto e = Exec(db, s)) return e;
    return std::nullopt;
  });
  if (std::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(target).constData()) != 0) {
    const DbError e = SystemError("cannot rename " + tmp.toStdString() + " to " + path);
    RemoveTemp(tmp);
    throw e;
  }
}

std::string ConvertJetDatabase(const std::string& path) {
  // Everything is read and checked before anything is written.
  const std::vector<TableRows> tables = ReadJetTables(path);

  const QString target = QString::fromStdString(path);
  const QString kept = QFileInfo(target).absoluteDir().filePath(QStringLiteral("Data.access.mdb"));
  const QByteArray target_name = QFile::encodeName(target);
  const QByteArray kept_name = QFile::encodeName(kept);
  if (QFileInfo::exists(kept))
    throw DbError(kFileExists, kept.toStdString() + " already exists; move it away so that " + path +
                                   " can be converted and its original kept there.");
  const QString tmp = TempNameFor(target);
  WriteTempDatabase(tmp, [&](QSqlDatabase& db) { return FillFromJet(db, tables); });

  // A second name for the original, then the new file over the first: the
  // file name never stands empty, and the original's bytes are never copied.
  // Where the file system has no links, two renames do the same.
  const QByteArray tmp_name = QFile::encodeName(tmp);
  bool linked = ::link(target_name.constData(), kept_name.constData()) == 0;
  if (!linked && (errno == EEXIST || std::rename(target_name.constData(), kept_name.constData()) != 0)) {
    const DbError e = SystemError("cannot keep the original as " + kept.toStdString());
    RemoveTemp(tmp);
    throw e;
  }
  if (std::rename(tmp_name.constData(), target_name.constData()) != 0) {
    const DbError e = SystemError("cannot rename " + tmp.toStdString() + " to " + path);
    if (linked) ::unlink(kept_name.constData());
    else std::rename(kept_name.constData(), target_name.constData());
    RemoveTemp(tmp);
    throw e;
  }
  return kept.toStdString();
}

}  // namespace zl
