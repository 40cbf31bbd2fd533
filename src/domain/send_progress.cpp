#include "domain/send_progress.h"

#include <algorithm>

namespace zl {

namespace {

std::string Thousands(std::int64_t n) {
  std::string digits = std::to_string(n);
  for (auto i = static_cast<std::ptrdiff_t>(digits.size()) - 3; i > 0; i -= 3)
    digits.insert(static_cast<std::size_t>(i), ",");
  return digits;
}

std::string Count(std::int64_t n, const std::string& thing) { return Thousands(n) + " " + thing + (n == 1 ? "" : "s"); }

std::string More(std::size_t n) { return Count(static_cast<std::int64_t>(n), "more frame"); }

// The status line starts with a capital: "Connect frame sent."
std::string Capital(std::string s) {
  if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
  return s;
}

}  // namespace

SendProgress::SendProgress(int bytes_per_second) : per_second_(std::max(1, bytes_per_second)) {}

void SendProgress::Written(const std::string& what, std::size_t bytes, int effects) {
  const auto n = static_cast<std::int64_t>(bytes);
  written_ += n;
  pending_ += n;
  frames_.push_back({what, effects, n, written_});
  if (batch_frames_++ == 0 || n > batch_main_.bytes) batch_main_ = frames_.back();
  Update();
}

void SendProgress::Pending(std::int64_t pending) {
  // Bytes once gone do not come back.
  pending_ = std::clamp<std::int64_t>(pending, 0, pending_);
  const std::int64_t gone = written_ - pending_;
  while (!frames_.empty() && frames_.front().end <= gone) frames_.pop_front();
  Update();
}

void SendProgress::SetAfter(const std::string& after) {
  after_ = after;
  Update();
}

void SendProgress::NextCommand() {
  if (!showing_) status_.clear();
}

std::string SendProgress::Lost(const std::string& why) {
  std::string list;
  const Frame* main = nullptr;
  for (std::size_t i = 0; i < frames_.size();) {
    std::size_t same = i + 1;
    while (same < frames_.size() && frames_[same].what == frames_[i].what &&
           frames_[same].effects == frames_[i].effects)
      ++same;
    const Frame& f = frames_[i];
    list += std::string(list.empty() ? "" : "; ") + "the " + f.what +
            (f.effects > 0 ? " (" + Count(f.effects, "effect") + ")" : "") +
            (same - i > 1 ? ", " + std::to_string(same - i) + " times" : "");
    for (std::size_t k = i; k < same; ++k)
      if (!main || frames_[k].bytes > main->bytes) main = &frames_[k];
    i = same;
  }
  if (main)
    status_ =
        Capital(main->what) + (frames_.size() > 1 ? " and " + More(frames_.size() - 1) : "") + " not sent: " + why;
  frames_.clear();
  pending_ = 0;
  batch_frames_ = 0;
  showing_ = false;
  after_.clear();
  return list;
}

void SendProgress::Update() {
  if (!showing_ && pending_ > per_second_ / 2) showing_ = true;
  if (pending_ == 0) {
    if (batch_frames_ > 0) {
      const Frame& m = batch_main_;
      status_ = Capital(m.what) + " sent" + (m.effects > 0 ? " (" + Count(m.effects, "effect") + ")" : "") +
                (batch_frames_ > 1 ? ", and " + More(static_cast<std::size_t>(batch_frames_ - 1)) : "") + ".";
    }
    batch_frames_ = 0;
    showing_ = false;
    after_.clear();
    return;
  }
  // A short send shows nothing until it has left.
  if (!showing_) return;
  const Frame& now = frames_.front();
  status_ = "Sending the " + now.what + (now.effects > 0 ? " (" + Count(now.effects, "effect") + ")" : "") +
            (frames_.size() > 1 ? " and " + More(frames_.size() - 1) : "") + ": " + Count(pending_, "byte") +
            " left, about " + TimeLeft() + (after_.empty() ? "" : "; " + after_);
}

std::string SendProgress::TimeLeft() const {
  const std::int64_t s = std::max<std::int64_t>(1, (pending_ + per_second_ / 2) / per_second_);
  if (s < 60) return std::to_string(s) + " s";
  return std::to_string(s / 60) + " min" + (s % 60 ? " " + std::to_string(s % 60) + " s" : "");
}

}  // namespace zl
