// Feeds each input, as a Data.mdb, to the reader that the Access conversion
// runs in its own process.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "storage/access/jet_import.h"

namespace {

// libmdb reads a file by name: one scratch file per fuzzing process.
std::string& ScratchPath() {
  static std::string path;
  return path;
}

void RemoveScratch() { std::remove(ScratchPath().c_str()); }

}  // namespace

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t max_size);

// Where the property blocks of the catalogue ("MR2" in Jet 4, "KKD" in
// Jet 3) start: lengths and chunk types that libmdb trusts.
std::vector<std::size_t> PropertyBlocks(const std::uint8_t* data, std::size_t size) {
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i + 4 <= size; ++i)
    if (std::memcmp(data + i, "MR2", 4) == 0 || std::memcmp(data + i, "KKD", 4) == 0) at.push_back(i);
  return at;
}

// A Jet file is whole pages, and a file that is not is refused before
// libmdb reads much of it: most mutations keep the size and change a short
// stretch in place; a third of them at the head of a page, where its type,
// free space and row offsets are, a third in a property block. One in
// eight may change the size too.
extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t max_size,
                                               unsigned int seed) {
  constexpr std::size_t kStretch = 16, kPage = 4096, kHead = 64, kBlock = 256;
  std::minstd_rand random(seed);
  if (size <= kPage || random() % 8 == 0) return LLVMFuzzerMutate(data, size, max_size);
  std::size_t at = random() % (size - kStretch);
  const auto where = random() % 3;
  if (where == 0) at = (at / kPage) * kPage + random() % kHead;
  if (where == 1) {
    const std::vector<std::size_t> blocks = PropertyBlocks(data, size);
    if (!blocks.empty()) at = std::min(blocks[random() % blocks.size()] + random() % kBlock, size - kStretch);
  }
  // A length of zero is what libmdb trusts least.
  if (random() % 4 == 0) {
    std::memset(data + at, 0, random() % 2 == 0 ? 2 : 4);
    return size;
  }
  std::uint8_t stretch[kStretch];
  std::memcpy(stretch, data + at, kStretch);
  const std::size_t n = LLVMFuzzerMutate(stretch, kStretch, kStretch);
  std::memcpy(data + at, stretch, std::min(n, kStretch));
  return size;
}

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  const char* tmp = std::getenv("TMPDIR");
  std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/zl-fuzz-XXXXXX";
  const int fd = ::mkstemp(templ.data());
  if (fd < 0) std::abort();
  ::close(fd);
  ScratchPath() = templ;
  std::atexit(RemoveScratch);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(ScratchPath().c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  try {
    zl::ReadJetTables(ScratchPath());
  } catch (const zl::DbError&) {
    // A refusal is the reader doing its job.
  }
  return 0;
}
