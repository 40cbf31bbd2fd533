// A Data.mdb that cannot be written, or whose folder cannot: said once at
// start-up with the reason; the lists are shown and sent, and every change
// is refused with that reason, the file left byte for byte.
#include <gtest/gtest.h>

#include "support/catalogue_sql.h"
#include "support/files.h"
#include "support/form_fixture.h"
#include "support/unwritable.h"

namespace zl::test {
namespace {

struct Where {
  const char* name;
  bool folder;  // the folder is unwritable, not the file
  const char* reason;
};

void PrintTo(const Where& w, std::ostream* os) { *os << w.name; }

class ReadOnlyFile : public FormTest, public ::testing::WithParamInterface<Where> {
 protected:
  std::string ExtraSql() const override {
    return std::string(kCatalogueSql) +
           "INSERT INTO PORT2 VALUES (1, 11, 'a', 5, 1, 1, 30), (2, 12, 'b', 5, 1, 1, 30);\n";
  }
};

TEST_P(ReadOnlyFile, ShowsAndSendsButRefusesEveryChangeWithTheReason) {
  const std::string before = Read(db_path);
  Unwritable lock(GetParam().folder ? dir : db_path);
  if (!lock.Ok()) GTEST_SKIP() << "cannot make " << (GetParam().folder ? dir : db_path) << " unwritable here";

  ChoosePort(2);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("cannot be changed"), std::string::npos) << messages.shown[0];
  EXPECT_NE(messages.shown[0].find(GetParam().reason), std::string::npos) << messages.shown[0];
  EXPECT_EQ(GridStts(), "1,2");

  const std::size_t frames = serial.writes.size();
  form->CmdSEND.PerformClick();
  EXPECT_EQ(serial.writes.size(), frames + 1);

  ChooseEffect(0);
  ClickRow(0);
  Button* changes[] = {&form->CmdAdd, &form->CmdDEL, &form->CmdDOWN, &form->CmdMaxport};
  for (Button* b : changes) {
    messages.shown.clear();
    ASSERT_TRUE(b->Enabled()) << b->Name();
    b->PerformClick();
    ASSERT_EQ(messages.shown.size(), 1u) << b->Name();
    EXPECT_NE(messages.shown[0].find(GetParam().reason), std::string::npos) << messages.shown[0];
  }
  messages.shown.clear();
  form->MnuNew.PerformClick();
  EXPECT_EQ(messages.shown.size(), 1u);
  // Program sends nothing it cannot store.
  EXPECT_EQ(serial.writes.size(), frames + 1);
  EXPECT_EQ(GridStts(), "1,2");
  EXPECT_EQ(Read(db_path), before);
}

INSTANTIATE_TEST_SUITE_P(Places, ReadOnlyFile,
                         ::testing::Values(Where{"File", false, "read-only"}, Where{"Folder", true, "folder"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zl::test
