#include <gtest/gtest.h>

#include "support/catalogue_sql.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

class EffectEntry : public FormTest {
  std::string ExtraSql() const override { return kCatalogueSql; }
};

TEST_F(EffectEntry, EachPickTakesTheCodeAndPutsTheDefaultsBackFocusingStartOnPortsOneAndTwo) {
  ChoosePort(2);  // capacity 30
  FrmForm& f = *form;
  // The code is the entry's first two characters, blanks trimmed first.
  const std::pair<int, std::optional<std::int16_t>> picks[] = {
      {0, 7}, {1, 12}, {2, 3} /* "  3 Three  " */, {3, std::nullopt}, {4, -1}};
  for (const auto& [index, code] : picks) {
    // Other values, the caret inside Start and the focus elsewhere: each pick
    // must put every default and the selection back.
    f.TxtLoop.SetText("9");
    f.TxtB.SetText("8");
    f.TxtA.SetText("44");
    f.TxtA.SetSelStart(2);
    f.TxtDelay.SetFocus();
    ChooseEffect(index);
    EXPECT_EQ(f.CurCode, code) << index;
    EXPECT_EQ(f.TxtLoop.Text() + "," + f.TxtDelay.Text() + "," + f.TxtA.Text() + "," + f.TxtB.Text(),
              "1,5,1,30");
    for (TextField* t : {&f.TxtLoop, &f.TxtDelay, &f.TxtA, &f.TxtB}) EXPECT_TRUE(t->Enabled());
    EXPECT_EQ(f.window.focus.Current(), &f.TxtA);
    EXPECT_EQ(f.TxtA.SelStart(), 0);
    EXPECT_EQ(f.TxtA.SelLength(), 1);
    EXPECT_TRUE(f.CmdAdd.Enabled());
    EXPECT_TRUE(f.CmdTest.Enabled());
  }
  f.TxtA.TypeChar('4');  // a digit typed now replaces the default
  EXPECT_EQ(f.TxtA.Text(), "4");
  // On sign port 3 Start and End are off and the focus stays where it was.
  f.CmbPORT.Choose(2);
  f.CmbFunc.SetFocus();
  ChooseEffect(1);
  EXPECT_EQ(f.CurCode, 2);
  EXPECT_FALSE(f.TxtA.Enabled());
  EXPECT_FALSE(f.TxtB.Enabled());
  EXPECT_EQ(f.TxtA.Text() + "," + f.TxtB.Text(), "1,20");
  EXPECT_EQ(f.window.focus.Current(), &f.CmbFunc);
  EXPECT_TRUE(f.CmdAdd.Enabled());
}

}  // namespace
}  // namespace zl::test
