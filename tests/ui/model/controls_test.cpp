// What the control models do that no widget can ask of them. The usual
// sequences through the real widgets are in qt_view_test.cpp; choosing from
// a disabled combo, and clicking a disabled button, in the random operator
// test.
#include <gtest/gtest.h>

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
  for (TextField* c : {&a, &b}) {
    c->AttachFocus(&w.focus);
    c->GotFocus = [&log, c] { log.push_back("got " + c->Name()); };
    c->LostFocus = [&log, c] { log.push_back("lost " + c->Name()); };
  }
  b.SetFocus();
  a.SetEnabled(false);
  a.SetFocus();
  EXPECT_FALSE(w.focus.MoveTo(&label));
  b.SetFocus();  // has it already
  a.SetEnabled(true);
  a.SetFocus();
  a.LostFocus = [&] {
    log.push_back("lost a");
    a.SetFocus();
  };
  b.SetFocus();
  EXPECT_EQ(w.focus.Current(), &a);
  EXPECT_EQ(log, (Log{"got b", "lost b", "got a", "lost a", "lost b", "got a"}));  // b never gets it
}

TEST(TextFieldModel, TypingReplacesTheSelectionAndEveryWriteRaisesChange) {
  TextField t("t");
  Log changes;
  t.Change = [&] { changes.push_back(t.Text()); };
  t.KeyPress = [](std::int16_t& k) { k = k == 'x' ? 0 : k; };
  t.SetText("123");
  t.SetSelStart(1);
  t.SetSelLength(99);  // clipped to the text
  t.SetText("12");     // and to a shorter one
  EXPECT_EQ(t.SelLength(), 1);
  for (const std::int16_t key : {'x', '\r', ' ', '\b', '\b'}) t.TypeChar(key);
  t.SetEnabled(false);
  t.TypeChar('4');
  EXPECT_EQ(changes, (Log{"123", "12", "1 ", "1", ""}));
}

}  // namespace
}  // namespace zl
