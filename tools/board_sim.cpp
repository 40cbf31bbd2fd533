// zl-board-sim: stands in for the LED display board on a pseudo-terminal.
// It decodes every frame it receives from the raw bytes, prints one line per
// frame and answers with a short text, so tests can compare what the program
// meant to send with what actually reached the wire.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<unsigned char>;

std::string hex(const Bytes& b, size_t from, size_t to, const char* sep) {
  std::string s;
  char buf[4];
  for (size_t i = from; i < to; ++i) {
    std::snprintf(buf, sizeof buf, "%02X", b[i]);
    if (i > from) s += sep;
    s += buf;
  }
  return s;
}
std::string hex(const Bytes& b, const char* sep = " ") { return hex(b, 0, b.size(), sep); }

struct Frame {
  enum Kind { Connect, Upload, Test, Capacity } kind = Connect;
  int port = 0;
  int cap = 0;  // capacity byte, or the value of a capacity frame
  std::vector<Bytes> records;
  Bytes raw;
};

// Fed one byte at a time, so a frame may arrive in any number of pieces.
// Bytes that cannot belong to a frame are collected as junk; after a broken
// frame its bytes past the first are scanned again for the next start marker.
class Decoder {
 public:
  std::function<void(const Frame&)> onFrame;
  std::function<void(const Bytes&)> onJunk;

  void feed(unsigned char c) {
    switch (state_) {
      case Hunt:
        if (c == 0xFE)
          state_ = SawFE;
        else
          junk_.push_back(c);
        return;
      case SawFE:
        if (c == 0xFD) {
          flushJunk();
          raw_ = {0xFE, 0xFD};
          state_ = Op;
        } else {
          junk_.push_back(0xFE);
          if (c != 0xFE) {
            junk_.push_back(c);
            state_ = Hunt;
          }
        }
        return;
      default: break;
    }
    raw_.push_back(c);
    switch (state_) {
      case Op:
        frame_ = Frame{};
        if (c == 0xF6) {
          frame_.kind = Frame::Connect;
          state_ = ConnectData;
          return;
        }
        if (c >= 0xFA && c <= 0xFC) {
          frame_.kind = Frame::Upload;
          frame_.port = 0xFD - c;
        } else if (c >= 0xF7 && c <= 0xF9) {
          frame_.kind = Frame::Test;
          frame_.port = 0xFA - c;
        } else if (c >= 0xF3 && c <= 0xF5) {
          frame_.kind = Frame::Capacity;
          frame_.port = 0xF6 - c;
        } else
          return fail();
        state_ = CapByte;
        return;
      case ConnectData:
        if (c != 0x0A) return fail();
        state_ = End;
        return;
      case CapByte:
        frame_.cap = c;
        state_ = frame_.kind == Frame::Capacity ? End : Record;
        return;
      case Record: {
        // Between upload records an FF ends the frame: a code byte never is FF.
        if (frame_.kind == Frame::Upload && record_.empty() && c == 0xFF) return finish();
        record_.push_back(c);
        if (record_.size() == recordSize()) {
          frame_.records.push_back(record_);
          record_.clear();
          if (frame_.kind == Frame::Test) state_ = End;
        }
        return;
      }
      case End:
        if (c != 0xFF) return fail();
        return finish();
      default: return;
    }
  }

  void flushJunk() {
    if (junk_.empty()) return;
    if (onJunk) onJunk(junk_);
    junk_.clear();
  }

  // At the end of input a held FE that no FD followed is junk too.
  void endOfInput() {
    if (state_ == SawFE) {
      junk_.push_back(0xFE);
      state_ = Hunt;
    }
    flushJunk();
  }

  bool inFrame() const { return state_ != Hunt && state_ != SawFE; }
  const Bytes& partial() const { return raw_; }

 private:
  enum State { Hunt, SawFE, Op, ConnectData, CapByte, Record, End };

  size_t recordSize() const { return frame_.port == 3 ? 3 : 5; }

  void finish() {
    frame_.raw = raw_;
    reset();
    if (onFrame) onFrame(frame_);
  }

  void fail() {
    Bytes again(raw_.begin() + 1, raw_.end());
    junk_.push_back(raw_.front());
    reset();
    for (unsigned char b : again) feed(b);
  }

  void reset() {
    state_ = Hunt;
    raw_.clear();
    record_.clear();
  }

  State state_ = Hunt;
  Bytes junk_, raw_, record_;
  Frame frame_;
};

struct PortState {
  int cap = -1;  // unknown until a capacity or upload frame sets it
  std::vector<Bytes> program;
};

void say(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string describe(const Frame& f) {
  std::string s;
  switch (f.kind) {
    case Frame::Connect: return "CONNECT";
    case Frame::Upload: s = "UPLOAD"; break;
    case Frame::Test: s = "TEST"; break;
    case Frame::Capacity: return "CAPACITY port=" + std::to_string(f.port) + " value=" + std::to_string(f.cap);
  }
  s += " port=" + std::to_string(f.port) + " cap=" + std::to_string(f.cap);
  if (f.kind == Frame::Upload)
    s += " n=" + std::to_string(f.records.size()) + " records=";
  else
    s += " record=";
  for (size_t i = 0; i < f.records.size(); ++i) {
    if (i) s += ';';
    s += hex(f.records[i], ",");
  }
  return s;
}

std::string describe(const PortState (&ports)[3]) {
  std::string s = "STATE";
  for (int i = 0; i < 3; ++i) {
    s += " port" + std::to_string(i + 1) +
         "=cap:" + (ports[i].cap < 0 ? std::string("-") : std::to_string(ports[i].cap)) +
         ",n:" + std::to_string(ports[i].program.size());
  }
  return s;
}

volatile sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }

const char kUsage[] =
    "usage: zl-board-sim [--link PATH] [--answer TEXT] [--frames N]\n"
    "                    [--hangup-after-bytes N] [--rate BAUD] [--state]\n";

[[noreturn]] void usage() {
  std::fprintf(stderr, "%sTry 'zl-board-sim --help'.\n", kUsage);
  std::exit(2);
}

[[noreturn]] void help() {
  std::printf(
      "%s"
      "Stands in for the LED display board of zentrel-loader on a pseudo-terminal:\n"
      "prints each frame it receives, decoded, and answers it with a short text.\n"
      "\n"
      "  --link PATH               make PATH a symbolic link to the pseudo-terminal\n"
      "  --answer TEXT             the answer to every frame (default OK; \"\" for none)\n"
      "  --state                   after each frame, what the board now holds\n"
      "  --rate BAUD               take bytes only as fast as a BAUD line carries them\n"
      "  --frames N                stop after N frames\n"
      "  --hangup-after-bytes N    hang up after N bytes, as a pulled cable would\n"
      "  -h, --help                print this help and exit\n"
      "\n"
      "To try zentrel-loader without a board, link the simulator as COM 20 where\n"
      "the program keeps its Data.mdb, start the program and choose COM 20:\n"
      "\n"
      "  zl-board-sim --link ~/.local/share/zentrel-loader/COM20 --state\n"
      "\n"
      "Ctrl+C stops it and removes the link. See zl-board-sim(1).\n",
      kUsage);
  std::exit(0);
}

long number(const char* s) {
  char* end = nullptr;
  long v = std::strtol(s, &end, 10);
  if (!*s || *end || v < 0) usage();
  return v;
}

double seconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// A pseudo-terminal takes whatever is written at once; a board on a real line
// gets its bytes one character time after the other. Reading in small paced
// chunks makes the writer see that pace once the kernel's buffer is full.
class Pace {
 public:
  explicit Pace(long baud)
      : perSecond_(double(baud) / 10),  // start, 8 data and stop bit
        chunk_(std::max(1.0, perSecond_ / 100)),
        budget_(chunk_),
        last_(seconds()) {}

  // How many bytes may be read now; 0 after having slept a little.
  size_t allowed(const sigset_t* waitMask) {
    const double now = seconds();
    // A little headroom, so that oversleeping does not slow the pace down.
    budget_ = std::min(2 * chunk_, budget_ + (now - last_) * perSecond_);
    last_ = now;
    if (budget_ >= 1) return size_t(budget_);
    const double wait = (chunk_ - budget_) / perSecond_;
    timespec ts{time_t(wait), long((wait - double(time_t(wait))) * 1e9)};
    ppoll(nullptr, 0, &ts, waitMask);
    return 0;
  }
  void took(size_t n) { budget_ -= double(n); }

 private:
  double perSecond_, chunk_, budget_, last_;
};

int die(const char* what) {
  std::fprintf(stderr, "zl-board-sim: %s: %s\n", what, std::strerror(errno));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string link, answer = "OK";
  long maxFrames = -1, hangupAfter = -1, rate = 0;
  bool showState = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool hasValue = i + 1 < argc;
    if (a == "-h" || a == "--help")
      help();
    else if (a == "--state")
      showState = true;
    else if (a == "--link" && hasValue)
      link = argv[++i];
    else if (a == "--answer" && hasValue)
      answer = argv[++i];
    else if (a == "--frames" && hasValue)
      maxFrames = number(argv[++i]);
    else if (a == "--hangup-after-bytes" && hasValue)
      hangupAfter = number(argv[++i]);
    else if (a == "--rate" && hasValue) {
      rate = number(argv[++i]);
      if (rate == 0) usage();
    } else
      usage();
  }

  int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return die("pseudo-terminal");
  const std::string slavePath = ptsname(master);
  // Holding a slave fd open keeps the master readable while the program closes
  // and reopens its side.
  int slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY);
  if (slave < 0) return die(slavePath.c_str());
  termios tio{};
  tcgetattr(slave, &tio);
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  cfsetispeed(&tio, B19200);
  cfsetospeed(&tio, B19200);
  tcsetattr(slave, TCSANOW, &tio);
  // The answer must never block the decoder when nobody reads it.
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

  if (!link.empty()) {
    // The program's data directory may not exist before its first start.
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(link).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    char old[4096];
    if (readlink(link.c_str(), old, sizeof old) >= 0) unlink(link.c_str());
    if (symlink(slavePath.c_str(), link.c_str()) != 0) return die(link.c_str());
  }
  auto removeLink = [&] {
    char target[4096];
    ssize_t n = link.empty() ? -1 : readlink(link.c_str(), target, sizeof target - 1);
    if (n >= 0 && slavePath == std::string(target, size_t(n))) unlink(link.c_str());
  };

  sigset_t blocked, waitMask;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGTERM);
  sigaddset(&blocked, SIGINT);
  sigprocmask(SIG_BLOCK, &blocked, &waitMask);
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  say("PTY " + slavePath);
  if (!link.empty()) say("LINK " + link);

  PortState ports[3];
  long frames = 0;
  Decoder dec;
  dec.onJunk = [](const Bytes& b) { say("JUNK " + hex(b)); };
  dec.onFrame = [&](const Frame& f) {
    PortState& p = ports[f.port ? f.port - 1 : 0];
    if (f.kind == Frame::Upload) {
      p.cap = f.cap;
      p.program = f.records;
    }
    if (f.kind == Frame::Capacity) p.cap = f.cap;
    say(describe(f));
    say("RAW " + hex(f.raw));
    if (showState) say(describe(ports));
    if (!answer.empty() && write(master, answer.data(), answer.size()) < 0 && errno != EAGAIN)
      std::fprintf(stderr, "zl-board-sim: answer: %s\n", std::strerror(errno));
    ++frames;
  };

  long bytesRead = 0;
  bool hungUp = false;
  std::unique_ptr<Pace> pace;
  if (rate > 0) pace = std::make_unique<Pace>(rate);
  unsigned char buf[4096];
  while (!g_stop && !hungUp && (maxFrames < 0 || frames < maxFrames)) {
    size_t want = sizeof buf;
    if (pace) {
      want = std::min(want, pace->allowed(&waitMask));
      if (want == 0) continue;
    }
    pollfd pfd{master, POLLIN, 0};
    timespec idle{0, 100 * 1000 * 1000};
    int r = ppoll(&pfd, 1, &idle, &waitMask);
    if (r < 0) {
      if (errno == EINTR) continue;
      return die("poll");
    }
    if (r == 0) {
      dec.flushJunk();
      continue;
    }
    ssize_t n = read(master, buf, want);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) return die("read");
    if (pace) pace->took(size_t(n));
    if (hangupAfter >= 0 && bytesRead + n >= hangupAfter) {
      n = hangupAfter - bytesRead;
      hungUp = true;
    }
    bytesRead += n;
    for (ssize_t i = 0; i < n && (maxFrames < 0 || frames < maxFrames); ++i) dec.feed(buf[i]);
  }

  dec.endOfInput();
  if (dec.inFrame()) say("INCOMPLETE " + hex(dec.partial()));
  if (hungUp) {
    close(master);
    close(slave);
    say("HANGUP after " + std::to_string(bytesRead) + " bytes");
  } else {
    // Give the last answer a moment to be read before the line goes away.
    for (int i = 0; i < 50; ++i) {
      int pending = 0;
      if (ioctl(slave, FIONREAD, &pending) != 0 || pending == 0) break;
      usleep(20 * 1000);
    }
    close(master);
    close(slave);
  }
  removeLink();
  return 0;
}
