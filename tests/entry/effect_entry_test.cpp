#include <gtest/gtest.h>

#include "entry/mini_program.h"
#include "support/catalogue_sql.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

class EffectEntry : public FormTest {
  std::string ExtraSql() const override { return kCatalogueSql; }
};

TEST_F(EffectEntry, TheCodeComesFromTheFirstTwoCharactersOfTheEntry) {
  ChoosePort(1);
  ChooseEffect(0);
  EXPECT_EQ(form->CurCode, 7);
  ChooseEffect(1);
  EXPECT_EQ(form->CurCode, 12);
  ChooseEffect(2);  // stored as "  3 Three  "
  EXPECT_EQ(form->CurCode, 3);
  ChooseEffect(3);
  EXPECT_FALSE(form->CurCode.has_value());
}

TEST_F(EffectEntry, PickingPutsTheDefaultsBackAndFocusesStartWithItsTextSelected) {
  ChoosePort(2);
  ChooseEffect(0);
  form->TxtLoop.SetText("9");
  form->TxtDelay.SetFocus();
  ChooseEffect(0);
  FrmForm& f = *form;
  EXPECT_EQ(f.TxtLoop.Text(), "1");
  EXPECT_EQ(f.TxtDelay.Text(), "5");
  EXPECT_EQ(f.TxtA.Text(), "1");
  EXPECT_EQ(f.TxtB.Text(), "30");
  for (TextField* t : {&f.TxtLoop, &f.TxtDelay, &f.TxtA, &f.TxtB}) EXPECT_TRUE(t->Enabled());
  EXPECT_EQ(f.window.focus.Current(), &f.TxtA);
  EXPECT_EQ(f.TxtA.SelStart(), 0);
  EXPECT_EQ(f.TxtA.SelLength(), 1);
  EXPECT_TRUE(f.CmdAdd.Enabled());
  EXPECT_TRUE(f.CmdTest.Enabled());
  // A digit typed now replaces the default.
  f.TxtA.TypeChar('4');
  EXPECT_EQ(f.TxtA.Text(), "4");
}

TEST_F(EffectEntry, OnSignPortThreeStartAndEndAreDisabledAndKeepTheFocusAway) {
  ChoosePort(3);
  form->CmbFunc.SetFocus();
  ChooseEffect(1);
  EXPECT_EQ(form->CurCode, 2);
  EXPECT_FALSE(form->TxtA.Enabled());
  EXPECT_FALSE(form->TxtB.Enabled());
  EXPECT_EQ(form->TxtA.Text(), "1");
  EXPECT_EQ(form->TxtB.Text(), "20");
  EXPECT_EQ(form->window.focus.Current(), &form->CmbFunc);
  EXPECT_TRUE(form->CmdAdd.Enabled());
}

TEST(MiniProgram, FilterDigitKeyKeepsDigitsAndBackspaceOnly) {
  for (int code = -300; code <= 300; ++code) {
    const std::int16_t key = static_cast<std::int16_t>(code);
    const bool keep = code == 8 || (code >= '0' && code <= '9');
    EXPECT_EQ(Mini_Program::FilterDigitKey(key), keep ? key : 0) << code;
  }
}

TEST(MiniProgram, SelectAllTextSelectsTheWholeText) {
  TextField t("t");
  t.SetText("123");
  t.SetSelStart(2);
  Mini_Program::SelectAllText(t);
  EXPECT_EQ(t.SelStart(), 0);
  EXPECT_EQ(t.SelLength(), 3);
}

}  // namespace
}  // namespace zl::test
