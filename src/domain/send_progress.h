// What is on its way to the board: the frames handed to the serial port whose
// bytes have not all left yet, and the status line for the operator: the
// progress of a send that takes long enough to be noticed, and how every
// send ended. Frames leave in the order written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace zl {

class SendProgress {
 public:
  // What the line carries; 19,200 baud 8N1 is 1,920 bytes a second. Sends
  // shorter than half a second of it show no progress, only their end.
  explicit SendProgress(int bytes_per_second);

  // A frame of `bytes` was handed to the port. `what` names it ("PORT1
  // list"); `effects`, when above 0, is told with it.
  void Written(const std::string& what, std::size_t bytes, int effects = 0);
  // The port still holds `pending` bytes; the frames before them have left.
  void Pending(std::int64_t pending);
  // The line is gone: everything pending is dropped. Returns what was not
  // (wholly) sent, for the operator ("" when nothing was pending).
  std::string Lost(const std::string& why);
  // Added to the progress text until the send ends ("the link closes
  // after it").
  void SetAfter(const std::string& after);
  // The operator gave another command: the line about the last send goes,
  // unless a send is still shown leaving.
  void NextCommand();

  bool Idle() const { return pending_ == 0; }
  std::int64_t PendingBytes() const { return pending_; }
  // The progress of a long send, or how the last send ended; "" before any
  // and after NextCommand.
  const std::string& Status() const { return status_; }

 private:
  struct Frame {
    std::string what;
    int effects = 0;
    std::int64_t bytes = 0;
    std::int64_t end = 0;  // offset after its last byte, counted from the first write
  };

  void Update();
  std::string TimeLeft() const;

  const std::int64_t per_second_;
  std::deque<Frame> frames_;  // not wholly gone, oldest first
  std::int64_t written_ = 0;
  std::int64_t pending_ = 0;
  bool showing_ = false;
  // The frames written since the last send ended: how many, and the longest.
  int batch_frames_ = 0;
  Frame batch_main_;
  std::string after_;
  std::string status_;
};

}  // namespace zl
