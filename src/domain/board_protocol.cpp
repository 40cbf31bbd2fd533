#include "domain/board_protocol.h"

#include <array>

namespace zl::board {

namespace {

constexpr std::array<Op, 3> kUpload = {Op::Upload1, Op::Upload2, Op::Upload3};
constexpr std::array<Op, 3> kTest = {Op::Test1, Op::Test2, Op::Test3};
constexpr std::array<Op, 3> kCapacity = {Op::Capacity1, Op::Capacity2, Op::Capacity3};

Op ForPort(const std::array<Op, 3>& ops, int port) { return ops.at(static_cast<std::size_t>(port - 1)); }

void Append(std::string& out, bool with_start_end, const Record& r) {
  const unsigned char bytes[] = {r.code, r.loop, r.time, r.start, r.end};
  out.append(reinterpret_cast<const char*>(bytes), with_start_end ? 5 : 3);
}

// The start marker and the operation byte, room for `payload` bytes more.
std::string Opening(Op op, std::size_t payload) {
  std::string f;
  f.reserve(payload + 4);
  f += static_cast<char>(kStart1);
  f += static_cast<char>(kStart2);
  f += static_cast<char>(op);
  return f;
}

}  // namespace

std::string Frame(Op op, const std::string& payload) {
  std::string f = Opening(op, payload.size());
  f += payload;
  f += static_cast<char>(kEnd);
  return f;
}

std::string ConnectFrame() { return Frame(Op::Connect, std::string(1, static_cast<char>(kConnectData))); }

std::string UploadFrame(int port, unsigned char capacity, const std::vector<Record>& records) {
  std::string f = Opening(ForPort(kUpload, port), 1 + records.size() * 5);
  f += static_cast<char>(capacity);
  for (const Record& r : records) Append(f, WithStartEnd(port), r);
  f += static_cast<char>(kEnd);
  return f;
}

std::string TestFrame(int port, unsigned char capacity, const Record& record) {
  std::string payload(1, static_cast<char>(capacity));
  Append(payload, WithStartEnd(port), record);
  return Frame(ForPort(kTest, port), payload);
}

std::string CapacityFrame(int port, unsigned char value) {
  return Frame(ForPort(kCapacity, port), std::string(1, static_cast<char>(value)));
}

}  // namespace zl::board
