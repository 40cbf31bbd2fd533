// The window's list operations on a real SQLite file, each beside its floor:
// the same database work done the plainest fast way with the SQLite C API on
// a byte copy of the same file. `scripts/bench` runs this and prints the
// table; on its own:
//   build/bench/zl_bench [--benchmark_filter=REGEX]
//
// Names are side/operation/rows. Sides: "window" drives FrmForm as the
// operator would; "floor" is the plain SQLite work; "view" is the window
// with the Qt view attached, processing its events and painting each time.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/frm_form.h"
#include "plain_sqlite.h"
#include "storage/sqlite/database.h"
#include "support/fakes.h"
#include "support/testdb.h"
#include "ui/qt/view.h"

namespace {

using namespace zl;
using bench::Sqlite;
using bench::Stmt;

const int kSizes[] = {100, 1000, 10000, 32000};
const int kViewRows = 1000;
const int kEffect = 0;  // the catalogue entry ADD appends

// New always backs up Data.mdb first; AddNewDay is ADD as the day's first
// change, with its backup.
enum class Op { ChoosePort, GridClick, Add, DelFirst, UpMiddle, DownMiddle, FileNew, Upload, AddNewDay };

struct OpName {
  Op op;
  const char* name;
};
const OpName kOps[] = {{Op::ChoosePort, "choose_port"}, {Op::GridClick, "grid_click"}, {Op::Add, "add"},
                       {Op::DelFirst, "del_first"},     {Op::UpMiddle, "up_middle"},   {Op::DownMiddle, "down_middle"},
                       {Op::FileNew, "file_new"},       {Op::Upload, "upload"},        {Op::AddNewDay, "add_new_day"}};

// --- Rows --------------------------------------------------------------------

struct CatalogueEntry {
  std::int64_t code;
  std::string text;  // as the file holds it
};

std::vector<CatalogueEntry> ReadCatalogue(Sqlite& db) {
  std::vector<CatalogueEntry> out;
  Stmt s = db.Prepare("SELECT FuncText FROM ShowFunc");
  while (s.Step()) {
    const std::string text = s.Text(0);
    // The shipped catalogue's texts start with their two-digit code.
    out.push_back({std::atoll(text.substr(0, 2).c_str()), text});  // NOLINT(cert-err34-c)
  }
  if (out.empty()) throw bench::SqlError("ShowFunc is empty");
  return out;
}

// The row numbered `stt`: a catalogue entry as ADD stores it, and one-byte
// values that differ from row to row.
void BindRow(Stmt& insert, const std::vector<CatalogueEntry>& cat, std::int64_t stt) {
  const CatalogueEntry& e = cat[static_cast<std::size_t>(stt - 1) % cat.size()];
  insert.Bind(1, stt).Bind(2, e.code).Bind(3, e.text);
  insert.Bind(4, (stt * 37) % 256).Bind(5, (stt * 11) % 256);
  insert.Bind(6, (stt * 5) % 256).Bind(7, (stt * 13) % 256);
}

const char kInsertRow[] = "INSERT INTO PORT1 VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)";

// A second connection that puts a file back between iterations, fast and
// without durability: nothing it does is measured.
class Restorer {
 public:
  explicit Restorer(const std::string& path) : db_(path) {
    db_.Exec("PRAGMA synchronous=OFF");
    db_.Exec("PRAGMA journal_mode=MEMORY");
    cat_ = ReadCatalogue(db_);
    insert_ = db_.Prepare(kInsertRow);
    trim_ = db_.Prepare("DELETE FROM PORT1 WHERE STT>?1");
  }
  // Appends rows first..last to PORT1.
  void Append(int first, int last) {
    db_.Exec("BEGIN");
    for (int i = first; i <= last; ++i) {
      BindRow(insert_, cat_, i);
      insert_.Run();
    }
    db_.Exec("COMMIT");
  }
  void Trim(int rows) { trim_.Bind(1, rows).Run(); }
  // "" when PORT1 holds exactly the rows 1..rows, else what is wrong.
  std::string CheckList(int rows) {
    Stmt s = db_.Prepare("SELECT COUNT(*), COUNT(DISTINCT STT), MIN(STT), MAX(STT) FROM PORT1");
    s.Step();
    if (s.Int(0) == rows && s.Int(1) == rows && (rows == 0 || (s.Int(2) == 1 && s.Int(3) == rows))) return {};
    return "PORT1 holds " + s.Text(0) + " rows, " + s.Text(1) + " numbers, from " + s.Text(2) + " to " + s.Text(3) +
           "; expected 1.." + std::to_string(rows);
  }

 private:
  Sqlite db_;
  std::vector<CatalogueEntry> cat_;
  Stmt insert_, trim_;
};

// A fresh Data.mdb with rows 1..n in PORT1, and a byte copy of it for the
// floor, made before any window opens the file.
struct Files {
  explicit Files(int rows) {
    if (!dir.isValid()) throw std::runtime_error("no temporary directory");
    window_db = test::MakeTestDb(dir.path().toStdString());
    Restorer(window_db).Append(1, rows);
    floor_db = dir.filePath("Floor.mdb").toStdString();
    std::filesystem::copy_file(window_db, floor_db);
  }
  QTemporaryDir dir;
  std::string window_db, floor_db;
};

// --- One prepared set-up per benchmark -----------------------------------------
// Every run of one benchmark (the iteration-count trials and the repetitions,
// which may be interleaved with other benchmarks') reuses its set-up; each
// operation leaves the list as it found it.

struct RigBase {
  virtual ~RigBase() = default;
};
std::map<std::string, std::unique_ptr<RigBase>> g_rigs;

template <typename Rig, typename... Args>
Rig& Cached(const std::string& key, Args... args) {
  std::unique_ptr<RigBase>& rig = g_rigs[key];
  if (!rig) rig = std::make_unique<Rig>(args...);
  return static_cast<Rig&>(*rig);
}

// The window on Data.mdb with the serial port open and PORT1 chosen.
struct WindowRig : RigBase {
  WindowRig(int rows, bool with_view) : files(rows), restorer(files.window_db) {
    toolkit.app_path = files.dir.path().toStdString();
    serial.openable = {1};
    db = MakeSqliteDatabase();
    form = std::make_unique<FrmForm>(Services{*db, serial, messages, toolkit});
    form->Form_Load();
    if (with_view) {
      view = std::make_unique<QtView>(form->window);
      view->Show();
    }
    form->CmbCOM.Choose(0);
    form->CmdConnect.PerformClick();
    form->CmbPORT.Choose(0);
    serial.writes.clear();
    Settle();
  }
  // With the view: let it catch up with the models and draw the window.
  void Settle() {
    if (!view) return;
    QApplication::processEvents();
    QPixmap shot = view->TopLevel()->grab();
    benchmark::DoNotOptimize(shot);
  }
  // "" when the run left everything as it should.
  std::string Check(int rows) {
    if (!messages.shown.empty()) return "the window said: " + messages.shown.front();
    if (form->DataGrid.Rows() != rows) return "the grid shows " + std::to_string(form->DataGrid.Rows()) + " rows";
    return restorer.CheckList(rows);
  }

  Files files;
  Restorer restorer;
  test::FakeSerial serial;
  test::RecordingMessages messages;
  test::FakeToolkit toolkit;
  std::unique_ptr<Database> db;
  std::unique_ptr<FrmForm> form;
  std::unique_ptr<QtView> view;
};

struct Row {
  std::int64_t rowid = 0, stt = 0, code = 0;
  std::string name;
  std::int64_t delay = 0, loop = 0, a = 0, b = 0;
};

// The floor: its own connection on the copy, at SQLite's default journal
// mode and synchronous setting, as the window's connection has them.
struct FloorRig : RigBase {
  explicit FloorRig(int rows)
      : files(rows),
        restorer(files.floor_db),
        db(files.floor_db),
        begin(db.Prepare("BEGIN")),
        commit(db.Prepare("COMMIT")),
        max_port(db.Prepare("SELECT * FROM MaxPort WHERE Port=?1")),
        list(db.Prepare("SELECT * FROM PORT1 ORDER BY STT")),
        list_ids(db.Prepare("SELECT rowid, * FROM PORT1 ORDER BY STT")),
        max_stt(db.Prepare("SELECT MAX(STT) FROM PORT1")),
        catalogue(db.Prepare("SELECT * FROM ShowFunc")),
        above(db.Prepare("SELECT EXISTS(SELECT 1 FROM PORT1 WHERE STT<?1)")),
        below(db.Prepare("SELECT EXISTS(SELECT 1 FROM PORT1 WHERE STT>?1)")),
        insert(db.Prepare(kInsertRow)),
        delete_row(db.Prepare("DELETE FROM PORT1 WHERE rowid=?1")),
        close_gap(db.Prepare("UPDATE PORT1 SET STT=STT-1 WHERE STT>?1")),
        set_stt(db.Prepare("UPDATE PORT1 SET STT=?1 WHERE rowid=?2")),
        clear1(db.Prepare("DELETE FROM PORT1")),
        clear2(db.Prepare("DELETE FROM PORT2")),
        clear3(db.Prepare("DELETE FROM PORT3")),
        upload(db.Prepare("SELECT CodeFunc, Loop, Delay, TxtA, TxtB FROM PORT1 ORDER BY STT")) {
    cat = ReadCatalogue(db);
    ChoosePort();
    ReadListWithIds();
  }

  // Reads the whole list into `rows`; with the rowid when the statement has it.
  void ReadList(Stmt& s, bool with_rowid) {
    rows.clear();
    const int f = with_rowid ? 1 : 0;
    while (s.Step()) {
      Row r;
      if (with_rowid) r.rowid = s.Int(0);
      r.stt = s.Int(f);
      r.code = s.Int(f + 1);
      r.name = s.Text(f + 2);
      r.delay = s.Int(f + 3);
      r.loop = s.Int(f + 4);
      r.a = s.Int(f + 5);
      r.b = s.Int(f + 6);
      rows.push_back(std::move(r));
    }
    s.Reset();
  }
  void ReadListWithIds() { ReadList(list_ids, true); }

  void ChoosePort() {
    max_port.Bind(1, 1);
    if (max_port.Step()) capacity = max_port.Int(1);
    max_port.Reset();
    ReadList(list, false);
    max_stt.Step();
    next_stt = max_stt.Int(0) + 1;
    max_stt.Reset();
    effects.clear();
    while (catalogue.Step()) effects.push_back(catalogue.Text(1));
    catalogue.Reset();
  }

  void RowButtons(std::int64_t c) {
    above.Bind(1, c);
    above.Step();
    can_up = above.Int(0) != 0;
    above.Reset();
    below.Bind(1, c);
    below.Step();
    can_down = below.Int(0) != 0;
    below.Reset();
  }

  void Add(std::int64_t stt) {
    BindRow(insert, cat, stt);
    insert.Run();
  }

  void DelFirst() {
    const Row first = rows.front();
    begin.Run();
    delete_row.Bind(1, first.rowid).Run();
    close_gap.Bind(1, first.stt).Run();
    commit.Run();
    ReadListWithIds();
  }

  // Swaps the row at `pos` with its neighbour `step` away.
  void Move(int pos, int step) {
    const Row moved = rows[static_cast<std::size_t>(pos)];
    // NOLINTNEXTLINE(bugprone-misplaced-widening-cast): step is -1 or 1, the sum an index in the list
    const Row neighbour = rows[static_cast<std::size_t>(pos + step)];
    const std::int64_t t = moved.stt + step;
    begin.Run();
    set_stt.Bind(1, moved.stt).Bind(2, neighbour.rowid).Run();
    set_stt.Bind(1, t).Bind(2, moved.rowid).Run();
    commit.Run();
    ReadListWithIds();
    RowButtons(t);
  }

  // A copy of the database beside it, as the window makes before New and
  // before the day's first change.
  void Backup() {
    const std::string path = files.dir.filePath("floor-backup.mdb").toStdString();
    std::filesystem::remove(path);
    db.BackupTo(path);
  }

  void FileNew() {
    Backup();
    begin.Run();
    clear1.Run();
    clear2.Run();
    clear3.Run();
    commit.Run();
    ReadList(list, false);
  }

  void Upload() {
    frame.assign("\xFE\xFD\xFC");
    frame += static_cast<char>(capacity);
    while (upload.Step())
      for (int i = 0; i < 5; ++i) frame += static_cast<char>(upload.Int(i));
    upload.Reset();
    frame += '\xFF';
  }

  std::string Check(int n) {
    ReadListWithIds();
    if (static_cast<int>(rows.size()) != n) return "the list has " + std::to_string(rows.size()) + " rows";
    return restorer.CheckList(n);
  }

  Files files;
  Restorer restorer;
  Sqlite db;
  Stmt begin, commit, max_port, list, list_ids, max_stt, catalogue, above, below, insert, delete_row, close_gap,
      set_stt, clear1, clear2, clear3, upload;
  std::vector<CatalogueEntry> cat;
  std::int64_t capacity = 0, next_stt = 0;
  std::vector<Row> rows;
  std::vector<std::string> effects;
  bool can_up = false, can_down = false;
  std::string frame;
};

std::string Key(const char* side, Op op, int rows) {
  return std::string(side) + "/" + std::to_string(static_cast<int>(op)) + "/" + std::to_string(rows);
}

void WindowOp(benchmark::State& state, Op op, bool with_view) {
  const int n = static_cast<int>(state.range(0));
  const int mid = n / 2;  // 0-based: the row numbered mid + 1
  try {
    WindowRig& rig = Cached<WindowRig>(Key(with_view ? "view" : "window", op, n), n, with_view);
    FrmForm& f = *rig.form;
    std::string wrong;
    auto expect = [&](bool ok, const char* what) {
      if (!ok && wrong.empty()) wrong = what;
    };
    switch (op) {
      case Op::ChoosePort:
        for (auto _ : state) {
          f.CmbPORT.Choose(0);
          rig.Settle();
        }
        expect(f.CmdSEND.Enabled() && f.DataGrid.Rows() == n, "choosing the port");
        break;
      case Op::GridClick:
        for (auto _ : state) {
          f.DataGrid.ClickRow(mid);
          rig.Settle();
        }
        expect(f.CmdUP.Enabled() && f.CmdDOWN.Enabled() && f.CmdDEL.Enabled(), "the row buttons");
        break;
      case Op::Add:
      case Op::AddNewDay:
        f.CmbFunc.Choose(kEffect);
        rig.Settle();
        for (auto _ : state) {
          // The next day: this ADD is its first change.
          if (op == Op::AddNewDay) rig.toolkit.now += 24 * 60 * 60;
          f.CmdAdd.PerformClick();
          rig.Settle();
          state.PauseTiming();
          expect(f.DataGrid.Rows() == n + 1, "ADD did not add");
          rig.restorer.Trim(n);
          f.CmbPORT.Choose(0);
          f.CmbFunc.Choose(kEffect);
          rig.Settle();
          state.ResumeTiming();
        }
        break;
      case Op::DelFirst:
        for (auto _ : state) {
          state.PauseTiming();
          f.DataGrid.ClickRow(0);
          rig.Settle();
          state.ResumeTiming();
          f.CmdDEL.PerformClick();
          rig.Settle();
          state.PauseTiming();
          expect(f.DataGrid.Rows() == n - 1, "DEL did not delete");
          rig.restorer.Append(n, n);
          f.CmbPORT.Choose(0);
          rig.Settle();
          state.ResumeTiming();
        }
        break;
      case Op::UpMiddle:
      case Op::DownMiddle: {
        const bool up = op == Op::UpMiddle;
        for (auto _ : state) {
          state.PauseTiming();
          f.DataGrid.ClickRow(mid);
          rig.Settle();
          state.ResumeTiming();
          (up ? f.CmdUP : f.CmdDOWN).PerformClick();
          rig.Settle();
        }
        expect(f.DataGrid.Row() == mid + (up ? -1 : 1), "the moved row is not current");
        break;
      }
      case Op::FileNew:
        for (auto _ : state) {
          f.MnuNew.PerformClick();
          rig.Settle();
          state.PauseTiming();
          expect(f.DataGrid.Rows() == 0, "New left rows");
          rig.restorer.Append(1, n);
          f.CmbPORT.Choose(0);
          rig.Settle();
          state.ResumeTiming();
        }
        break;
      case Op::Upload:
        for (auto _ : state) {
          f.CmdSEND.PerformClick();
          rig.Settle();
          expect(rig.serial.writes.size() == 1 && rig.serial.writes[0].size() == 5u + 5u * n,
                 "SEND did not write the frame");
          rig.serial.writes.clear();
        }
        break;
    }
    if (wrong.empty()) wrong = rig.Check(n);
    if (!wrong.empty()) state.SkipWithError(wrong.c_str());
  } catch (const std::exception& e) {
    g_rigs.erase(Key(with_view ? "view" : "window", op, n));
    state.SkipWithError(e.what());
  }
}

void FloorOp(benchmark::State& state, Op op) {
  const int n = static_cast<int>(state.range(0));
  const int mid = n / 2;
  try {
    FloorRig& r = Cached<FloorRig>(Key("floor", op, n), n);
    std::string wrong;
    switch (op) {
      case Op::ChoosePort:
        for (auto _ : state) r.ChoosePort();
        if (static_cast<int>(r.rows.size()) != n || r.next_stt != n + 1) wrong = "choosing the port";
        break;
      case Op::GridClick: {
        const std::int64_t c = r.rows[static_cast<std::size_t>(mid)].stt;
        for (auto _ : state) r.RowButtons(c);
        if (!r.can_up || !r.can_down) wrong = "the row buttons";
        break;
      }
      case Op::Add:
      case Op::AddNewDay:
        for (auto _ : state) {
          if (op == Op::AddNewDay) r.Backup();
          r.Add(n + 1);
          state.PauseTiming();
          r.restorer.Trim(n);
          r.ReadListWithIds();  // warms the connection's cache, as the window's re-read does
          state.ResumeTiming();
        }
        break;
      case Op::DelFirst:
        for (auto _ : state) {
          r.DelFirst();
          state.PauseTiming();
          if (static_cast<int>(r.rows.size()) != n - 1) wrong = "DEL did not delete";
          r.restorer.Append(n, n);
          r.ReadListWithIds();
          state.ResumeTiming();
        }
        break;
      case Op::UpMiddle:
      case Op::DownMiddle:
        for (auto _ : state) r.Move(mid, op == Op::UpMiddle ? -1 : 1);
        if (!r.can_up || !r.can_down) wrong = "the row buttons";
        break;
      case Op::FileNew:
        for (auto _ : state) {
          r.FileNew();
          state.PauseTiming();
          if (!r.rows.empty()) wrong = "New left rows";
          r.restorer.Append(1, n);
          r.ReadListWithIds();
          state.ResumeTiming();
        }
        break;
      case Op::Upload:
        for (auto _ : state) r.Upload();
        if (r.frame.size() != 5u + 5u * n) wrong = "the frame";
        break;
    }
    if (wrong.empty()) wrong = r.Check(n);
    if (!wrong.empty()) state.SkipWithError(wrong.c_str());
  } catch (const std::exception& e) {
    g_rigs.erase(Key("floor", op, n));
    state.SkipWithError(e.what());
  }
}

// Start-up of the window model on an empty list, in process.
void FormLoad(benchmark::State& state) {
  Files files(0);
  test::FakeSerial serial;
  test::RecordingMessages messages;
  test::FakeToolkit toolkit;
  toolkit.app_path = files.dir.path().toStdString();
  for (auto _ : state) {
    auto db = MakeSqliteDatabase();
    FrmForm f(Services{*db, serial, messages, toolkit});
    f.Form_Load();
    benchmark::DoNotOptimize(f.DataGrid.Rows());
  }
}

// Both connections' durability settings and SQLite versions, into the
// report's context, so that a difference shows.
void DescribeConnections() {
  Files files(0);
  auto db = MakeSqliteDatabase();
  db->Open(files.window_db);
  auto ask = [&](const char* sql) { return db->ReadValue({sql, {}}).ToText(); };
  Sqlite floor(files.floor_db);
  const std::string window = "sqlite " + ask("SELECT sqlite_version()") + ", journal_mode " +
                             ask("PRAGMA journal_mode") + ", synchronous " + ask("PRAGMA synchronous");
  const std::string plain = "sqlite " + floor.Scalar("SELECT sqlite_version()") + ", journal_mode " +
                            floor.Scalar("PRAGMA journal_mode") + ", synchronous " + floor.Scalar("PRAGMA synchronous");
  benchmark::AddCustomContext("window_connection", window);
  benchmark::AddCustomContext("floor_connection", plain);
  if (window != plain)
    std::fprintf(stderr, "zl_bench: the connections differ: %s / %s\n", window.c_str(), plain.c_str());
}

// Operations that put the list back after every iteration, at the cost of a
// reload of all its rows: grown to fill the minimum time, a fast one would
// spend minutes putting back. Their iteration count is fixed instead.
bool PutsBack(Op op) { return op != Op::ChoosePort && op != Op::GridClick && op != Op::Upload; }

benchmark::internal::Benchmark* Common(benchmark::internal::Benchmark* b) {
  return b->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();
}

benchmark::internal::Benchmark* Sized(benchmark::internal::Benchmark* b, Op op, int rows) {
  Common(b)->Arg(rows);
  if (PutsBack(op)) b->Iterations(std::max(5, 10000 / rows));
  return b;
}

void RegisterAll() {
  for (const OpName& op : kOps) {
    for (int n : kSizes) {
      Sized(benchmark::RegisterBenchmark(("window/" + std::string(op.name)).c_str(), WindowOp, op.op, false), op.op, n);
      Sized(benchmark::RegisterBenchmark(("floor/" + std::string(op.name)).c_str(), FloorOp, op.op), op.op, n);
    }
  }
  for (const OpName& op : kOps)
    Sized(benchmark::RegisterBenchmark(("view/" + std::string(op.name)).c_str(), WindowOp, op.op, true), op.op,
          kViewRows);
  Common(benchmark::RegisterBenchmark("form_load", FormLoad));
}

// Drops the offscreen platform's notes on what it cannot do, which would
// otherwise interleave with the table.
void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& msg) {
  if (msg.startsWith(QLatin1String("This plugin does not support")) ||
      msg.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
    return;
  qt_message_output(type, context, msg);
}

}  // namespace

// A benchmark that cannot set up ends the run with its exception.
int main(int argc, char** argv) {  // NOLINT(bugprone-exception-escape)
  // The view draws without a display, the same on every machine.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(QuietOffscreen);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  DescribeConnections();
  RegisterAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  g_rigs.clear();  // the views must go before the application
  return 0;
}
