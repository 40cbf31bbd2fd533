// What the control models do that no widget can ask of them. The usual
// sequences through the real widgets are in qt_view_test.cpp; choosing from
// a disabled combo, and clicking a disabled button, in the random operator
// test.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/model/controls.h"
#include "ui/model/window.h"

namespace zl {
namespace {

using Log = std::vector<std::string>;

TEST(FocusOrder, RefusedMovesRaiseNothingAndALostFocusHandlerThatMovesTheFocusWins) {
  Window w;
  TextField a{"a"}, b{"b"};
  Label label{"label"};
  Log log;
  for (Control* c : std::vector<Control*>{&a, &b}) {
    c->AttachFocus(&w.focus);
    c->GotFocus = [&log, c] { log.push_back("got " + c->Name()); };
    c->LostFocus = [&log, c] { log.push_back("lost " + c->Name()); };
  }
  b.SetFocus();
  log.clear();
  // Disabled and unfocusable controls take no focus, nor does the control
  // that has it already.
  a.SetEnabled(false);
  a.SetFocus();
  EXPECT_FALSE(w.focus.MoveTo(&label));
  b.SetFocus();
  EXPECT_EQ(w.focus.Current(), &b);
  EXPECT_TRUE(log.empty());

  a.SetEnabled(true);
  a.SetFocus();
  a.LostFocus = [&] {
    log.push_back("lost a");
    a.SetFocus();
  };
  log.clear();
  b.SetFocus();
  EXPECT_EQ(w.focus.Current(), &a);
  EXPECT_EQ(log.front(), "lost a");
  EXPECT_EQ(std::count(log.begin(), log.end(), "got b"), 0);
}

TEST(TextFieldModel, TypingReplacesTheSelectionAndEveryWriteRaisesChange) {
  TextField t("t");
  Log changes;
  t.Change = [&] { changes.push_back(t.Text()); };
  t.KeyPress = [](std::int16_t& k) { k = k == 'x' ? 0 : k; };
  t.SetText("12");  // a program write
  t.SetSelStart(0);
  t.SetSelLength(99);  // clipped to the text
  EXPECT_EQ(t.SelLength(), 2);
  t.TypeChar('x');   // dropped by KeyPress
  t.TypeChar('\r');  // a control character inserts nothing
  t.TypeChar('3');
  EXPECT_EQ(t.SelStart(), 1);
  t.SetSelStart(0);
  t.TypeChar(8);  // nothing before the caret
  t.SetEnabled(false);
  t.TypeChar('4');
  EXPECT_EQ(changes, (Log{"12", "3"}));
}

}  // namespace
}  // namespace zl
