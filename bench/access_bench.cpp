// Converting the vendor's Access file, beside its floor: the reading alone,
// in this process. The conversion starts the program again as the Access
// reader, checks its copy and renames.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include "storage/access/conversion.h"
#include "storage/access/jet_import.h"

namespace {

constexpr const char* kVendor = ZL_FIXTURES_DIR "/jet4/Data-vendor.mdb";

void ReadAccessInProcess(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(zl::ReadJetTables(kVendor));
}

void ConvertAccessFile(benchmark::State& state) {
  QTemporaryDir dir;
  const QString db = dir.filePath("Data.mdb");
  const QString kept = dir.filePath("Data.access.mdb");
  for (auto _ : state) {
    state.PauseTiming();
    QFile::remove(db);
    QFile::remove(kept);
    QFile::copy(kVendor, db);
    state.ResumeTiming();
    benchmark::DoNotOptimize(zl::ConvertAccessFile(db.toStdString(), ZL_BIN_DIR "/zentrel-loader", ""));
  }
}

BENCHMARK(ReadAccessInProcess)
    ->Name("floor/access_read")
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(ConvertAccessFile)
    ->Name("convert_access_file")
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
