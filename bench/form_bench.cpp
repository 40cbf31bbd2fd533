// Start-up and the list operations against a real SQLite file:
//   build/bench/zl_bench
// and the conversion of an Access file.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "app/frm_form.h"
#include "platform/sqlite_database.h"
#include "support/fakes.h"
#include "support/testdb.h"

namespace {

using namespace zl;

struct Rig {
  explicit Rig(int rows) {
    std::string sql;
    for (int i = 1; i <= rows; ++i)
      sql += "INSERT INTO PORT1 VALUES (" + std::to_string(i) + ", 7, 'x', 5, 1, 1, 40);\n";
    test::MakeTestDb(dir.path().toStdString(), sql);
    toolkit.app_path = dir.path().toStdString();
    serial.openable = {1};
  }
  std::unique_ptr<FrmForm> Open() {
    db = MakeSqliteDatabase();
    auto f = std::make_unique<FrmForm>(Services{*db, serial, messages, toolkit});
    f->Form_Load();
    return f;
  }
  QTemporaryDir dir;
  test::FakeSerial serial;
  test::RecordingMessages messages;
  test::FakeToolkit toolkit;
  std::unique_ptr<Database> db;
};

void Connect(FrmForm& f) {
  f.CmbCOM.Choose(0);
  f.CmdConnect.PerformClick();
  f.CmbPORT.Choose(0);
}

void BM_FormLoad(benchmark::State& state) {
  Rig rig(0);
  for (auto _ : state) {
    auto f = rig.Open();
    benchmark::DoNotOptimize(f->GridRs->RecordCount());
  }
}
BENCHMARK(BM_FormLoad)->Unit(benchmark::kMillisecond);

void BM_ChoosePort(benchmark::State& state) {
  Rig rig(static_cast<int>(state.range(0)));
  auto f = rig.Open();
  Connect(*f);
  for (auto _ : state) f->CmbPORT.Choose(0);
}
BENCHMARK(BM_ChoosePort)->Arg(10)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_Send(benchmark::State& state) {
  Rig rig(static_cast<int>(state.range(0)));
  auto f = rig.Open();
  Connect(*f);
  for (auto _ : state) {
    f->CmdSEND.PerformClick();
    rig.serial.writes.clear();
  }
}
BENCHMARK(BM_Send)->Arg(10)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);

// Deleting the first row renumbers all the others.
void BM_DeleteFirstRow(benchmark::State& state) {
  Rig rig(static_cast<int>(state.range(0)));
  auto f = rig.Open();
  Connect(*f);
  for (auto _ : state) {
    f->DataGrid.ClickRow(0);
    f->CmdDEL.PerformClick();
    state.PauseTiming();
    f->CmbFunc.Choose(0);
    f->CmdAdd.PerformClick();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_DeleteFirstRow)->Arg(200)->Unit(benchmark::kMillisecond);

// Converting the vendor's Access file: read, write, rename.
void BM_ConvertAccessFile(benchmark::State& state) {
  QTemporaryDir dir;
  const QString db = dir.filePath("Data.mdb");
  const QString kept = dir.filePath("Data.access.mdb");
  auto sqlite = MakeSqliteDatabase();
  for (auto _ : state) {
    state.PauseTiming();
    QFile::remove(db);
    QFile::remove(kept);
    QFile::copy(ZL_FIXTURES_DIR "/jet4/Data-vendor.mdb", db);
    state.ResumeTiming();
    benchmark::DoNotOptimize(sqlite->ConvertForeign(db.toStdString()));
  }
}
BENCHMARK(BM_ConvertAccessFile)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
