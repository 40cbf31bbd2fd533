#include <cstring>
#include <fstream>

#include "storage/access/jet_import.h"
#include "text/paths.h"

namespace zl {

namespace {
// The header's version byte.
constexpr unsigned char kJet3 = 0x00, kJet4 = 0x01;
}  // namespace

const std::vector<TableLayout>& StoreTables() {
  static const std::vector<FieldLayout> port = {{"STT", FieldKind::Int16},     {"CodeFunc", FieldKind::Int16},
                                                {"NameFunc", FieldKind::Text}, {"Delay", FieldKind::Int16},
                                                {"Loop", FieldKind::Int16},    {"TxtA", FieldKind::Int16},
                                                {"TxtB", FieldKind::Int16}};
  static const std::vector<FieldLayout> catalogue = {{"FuncID", FieldKind::Any}, {"FuncText", FieldKind::Text}};
  static const std::vector<TableLayout> tables = {
      {"PORT1", port},
      {"PORT2", port},
      {"PORT3", port},
      {"PORT_TEMP", port},
      {"MaxPort", {{"Port", FieldKind::Integer}, {"MaxValue", FieldKind::Int16}}},
      {"ShowFunc", catalogue},
      {"FuncBoder", catalogue},
  };
  return tables;
}

bool IsJetFile(const std::string& path) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  char header[21] = {};
  if (!in.read(header, sizeof header)) return false;
  static const char kMagic[] = "\x00\x01\x00\x00Standard Jet DB";
  const unsigned char version = static_cast<unsigned char>(header[20]);
  return std::memcmp(header, kMagic, sizeof kMagic) == 0 && (version == kJet3 || version == kJet4);
}

}  // namespace zl
