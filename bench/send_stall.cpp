// The window's event loop while three uploads leave through the real serial
// port into the board simulator reading at 19,200 baud ("stall/sending"),
// against the same loop in the same run for as long with nothing to send
// ("stall/idle"): the longest gap between the ticks of a 4 ms timer, in the
// part the program answers for. Reported as each benchmark's time.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/frm_form.h"
#include "serial/qt/qt_serial_port.h"
#include "storage/sqlite/database.h"
#include "support/fakes.h"
#include "support/testdb.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Effects per upload: three uploads are more than a pseudo-terminal takes
// in at once, so the rest waits with the port as it would on the line.
constexpr int kEffects = 600;
constexpr int kUploads = 3;
constexpr qint64 kFrameBytes = 5 + 5 * kEffects;
constexpr qint64 kLineBytesPerSecond = 1920;  // 19,200 baud, 8N1

// Nanoseconds this thread has spent ready to run while waiting for a
// processor, or 0 when the system does not say.
std::int64_t RunQueueWaitNs() {
  std::ifstream stat("/proc/thread-self/schedstat");
  long long on_cpu = 0, waiting = 0;
  stat >> on_cpu >> waiting;
  return stat ? waiting : 0;
}

// The gaps between the ticks of a timer on this thread, and the part of each
// that the program answers for. Not its part: the time the thread was ready
// to run while others had the processors, and a hold-up of the whole machine
// (a host pausing this guest), which a second thread that only ever sleeps a
// millisecond sees as a gap of its own. Whichever explains more is taken off.
// A handler that blocks or keeps busy counts in full.
class TickGaps {
 public:
  TickGaps() : last_(Clock::now()), queued_(RunQueueWaitNs()), beats_{last_}, beater_([this] { Beat(); }) {}
  ~TickGaps() {
    stop_ = true;
    beater_.join();
  }
  TickGaps(const TickGaps&) = delete;
  TickGaps& operator=(const TickGaps&) = delete;

  // At a tick: nanoseconds since the last one, in all and the program's part.
  std::pair<std::int64_t, std::int64_t> Tick() {
    const Clock::time_point now = Clock::now();
    const std::int64_t queued = RunQueueWaitNs();
    const std::int64_t gap = (now - last_) / 1ns;
    const std::int64_t excused = std::max(queued - queued_, MachineHold(last_, now));
    last_ = now;
    queued_ = queued;
    return {gap, std::max<std::int64_t>(0, gap - excused)};
  }

 private:
  void Beat() {
    while (!stop_) {
      std::this_thread::sleep_for(1ms);
      const std::lock_guard<std::mutex> lock(mutex_);
      beats_.push_back(Clock::now());
    }
  }

  // The second thread's longest gap within [from, to], in nanoseconds.
  std::int64_t MachineHold(Clock::time_point from, Clock::time_point to) {
    const std::lock_guard<std::mutex> lock(mutex_);
    beats_.push_back(to);  // the gap still open counts up to now
    std::int64_t longest = 0;
    for (std::size_t i = beats_.size() - 1; i > 0 && beats_[i] > from; --i)
      longest = std::max<std::int64_t>(longest, (std::min(beats_[i], to) - std::max(beats_[i - 1], from)) / 1ns);
    beats_.pop_back();
    return longest;
  }

  Clock::time_point last_;
  std::int64_t queued_;
  std::mutex mutex_;
  std::vector<Clock::time_point> beats_;
  std::atomic<bool> stop_{false};
  std::thread beater_;
};

// The simulator linked as COM7 into a temporary directory, and the window on
// a list of kEffects effects on sign port 1, connected, with PORT1 chosen.
class Rig {
 public:
  Rig() {
    if (!dir_.isValid()) throw std::runtime_error("no temporary directory");
    zl::test::MakeTestDb(dir_.path().toStdString(),
                         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                             std::to_string(kEffects) +
                             ") INSERT INTO PORT1 SELECT i, i % 100, 'x', i % 256, i * 7 % 256, 1, 40 FROM n;\n");
    sim_.setProgram(ZL_TOOLS_DIR "/zl-board-sim");
    sim_.setArguments({"--link", dir_.filePath("COM7"), "--rate", "19200"});
    sim_.start();
    if (!sim_.waitForStarted(5000) || !Until([&] { return out_.contains(QStringLiteral("LINK")); }))
      throw std::runtime_error("the board simulator did not start: " + out_.toStdString());
    toolkit_.app_path = dir_.path().toStdString();
    db_ = zl::MakeSqliteDatabase();
    com_ = zl::MakeQtSerialPort(toolkit_.app_path);
    form_ = std::make_unique<zl::FrmForm>(zl::Services{*db_, *com_, messages_, toolkit_});
    form_->Form_Load();
    const auto& items = form_->CmbCOM.Items();
    const auto com7 = std::find(items.begin(), items.end(), "COM 7");
    if (com7 == items.end()) throw std::runtime_error("COM 7 is not listed");
    form_->CmbCOM.Choose(static_cast<int>(com7 - items.begin()));
    form_->CmdConnect.PerformClick();
    if (!com_->PortOpen() || !Until([&] { return com_->PendingBytes() == 0; }))
      throw std::runtime_error("the connect frame did not leave");
    form_->CmbPORT.Choose(0);
  }
  Rig(const Rig&) = delete;
  Rig& operator=(const Rig&) = delete;
  ~Rig() {
    form_.reset();
    sim_.terminate();
    sim_.waitForFinished(3000);
  }

  // Three SENDs, then the longest gap the program answers for until the
  // board has decoded them, in seconds.
  double Sending() {
    const qsizetype before = out_.count(QStringLiteral("UPLOAD "));
    for (int i = 0; i < kUploads; ++i) form_->CmdSEND.PerformClick();
    const double longest = LongestGap(
        [&] { return com_->PendingBytes() == 0 && out_.count(QStringLiteral("UPLOAD ")) >= before + kUploads; });
    if (!messages_.shown.empty()) throw std::runtime_error("the window said: " + messages_.shown.back());
    return longest;
  }

  // The same loop, for as long as the uploads take on the line, sending nothing.
  double Idle() {
    QElapsedTimer since;
    since.start();
    return LongestGap([&] { return since.hasExpired(kUploads * kFrameBytes * 1000 / kLineBytesPerSecond); });
  }

 private:
  double LongestGap(const std::function<bool()>& done) {
    std::int64_t longest = 0;
    QEventLoop loop;
    QObject::connect(&sim_, &QProcess::readyReadStandardOutput, &loop,
                     [&] { out_ += QString::fromUtf8(sim_.readAllStandardOutput()); });
    QTimer tick;
    tick.setInterval(4);
    QElapsedTimer since;
    TickGaps gaps;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
      longest = std::max(longest, gaps.Tick().second);
      if (done() || since.hasExpired(60000)) loop.quit();
    });
    since.start();
    tick.start();
    loop.exec();
    if (!done()) throw std::runtime_error("the uploads did not arrive within a minute");
    return static_cast<double>(longest) / 1e9;
  }

  bool Until(const std::function<bool()>& done) {
    QDeadlineTimer deadline(8000);
    while (!done() && !deadline.hasExpired()) {
      sim_.waitForReadyRead(20);
      out_ += QString::fromUtf8(sim_.readAllStandardOutput());
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
  }

  QTemporaryDir dir_;
  QProcess sim_;
  QString out_;
  zl::test::RecordingMessages messages_;
  zl::test::FakeToolkit toolkit_;
  std::unique_ptr<zl::Database> db_;
  std::unique_ptr<zl::SerialPort> com_;
  std::unique_ptr<zl::FrmForm> form_;
};

void Stall(benchmark::State& state, bool sending) {
  try {
    Rig rig;
    for (auto _ : state) state.SetIterationTime(sending ? rig.Sending() : rig.Idle());
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

void StallSending(benchmark::State& state) { Stall(state, true); }
void StallIdle(benchmark::State& state) { Stall(state, false); }

BENCHMARK(StallSending)
    ->Name("stall/sending")
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK(StallIdle)
    ->Name("stall/idle")
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace
