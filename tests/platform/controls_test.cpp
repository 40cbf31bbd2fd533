#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/window.h"

namespace zl {
namespace {

class FocusOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    for (Control* c : std::vector<Control*>{&a, &b, &ok}) {
      c->AttachFocus(&w.focus);
      c->GotFocus = [this, c] { log.push_back("got " + c->Name()); };
      c->LostFocus = [this, c] { log.push_back("lost " + c->Name()); };
    }
    ok.Click = [this] { log.push_back("click ok"); };
  }
  Window w;
  TextField a{"a"}, b{"b"};
  Button ok{"ok"};
  Label label{"label"};
  std::vector<std::string> log;
};

TEST_F(FocusOrder, LostFocusOfTheFieldLeftComesBeforeGotFocusOfTheOneEntered) {
  a.SetFocus();
  b.SetFocus();
  EXPECT_EQ(log, (std::vector<std::string>{"got a", "lost a", "got b"}));
  EXPECT_EQ(w.focus.Current(), &b);
}

TEST_F(FocusOrder, AButtonTakingTheFocusRunsTheFieldsLostFocusBeforeItsClick) {
  a.SetFocus();
  log.clear();
  // What the view does on a mouse click: focus at press, click at release.
  w.focus.MoveTo(&ok);
  ok.PerformClick();
  EXPECT_EQ(log, (std::vector<std::string>{"lost a", "got ok", "click ok"}));
}

TEST_F(FocusOrder, DisabledAndUnfocusableControlsTakeNoFocus) {
  a.SetFocus();
  log.clear();
  b.SetEnabled(false);
  b.SetFocus();
  EXPECT_FALSE(w.focus.MoveTo(&label));
  EXPECT_EQ(w.focus.Current(), &a);
  EXPECT_TRUE(log.empty());
  a.SetFocus();  // already there: no events
  EXPECT_TRUE(log.empty());
}

TEST_F(FocusOrder, ALostFocusHandlerThatMovesTheFocusWins) {
  a.SetFocus();
  a.LostFocus = [this] {
    log.push_back("lost a");
    a.SetFocus();
  };
  log.clear();
  b.SetFocus();
  EXPECT_EQ(w.focus.Current(), &a);
  EXPECT_EQ(log.front(), "lost a");
  EXPECT_EQ(std::count(log.begin(), log.end(), "got b"), 0);
}

TEST(TextFieldModel, KeyPressSeesEveryCharacterAndZeroDropsIt) {
  TextField t("t");
  std::vector<std::string> changes;
  t.Change = [&] { changes.push_back(t.Text()); };
  t.KeyPress = [](std::int16_t& k) {
    if (k < '0' || k > '9') k = k == 8 ? 8 : 0;
  };
  for (char c : std::string("1a2-3")) t.TypeChar(c);
  EXPECT_EQ(t.Text(), "123");
  t.TypeChar(8);
  EXPECT_EQ(t.Text(), "12");
  EXPECT_EQ(changes, (std::vector<std::string>{"1", "12", "123", "12"}));
}

TEST(TextFieldModel, TypingReplacesTheSelectionAndProgramWritesRaiseChange) {
  TextField t("t");
  int changes = 0;
  t.Change = [&] { ++changes; };
  t.SetText("12");
  EXPECT_EQ(changes, 1);
  t.SetSelStart(0);
  t.SetSelLength(99);  // clipped to the text
  EXPECT_EQ(t.SelLength(), 2);
  t.TypeChar('3');
  EXPECT_EQ(t.Text(), "3");
  EXPECT_EQ(t.SelStart(), 1);
  t.SetSelStart(0);
  t.TypeChar(8);  // nothing before the caret
  EXPECT_EQ(t.Text(), "3");
  t.SetEnabled(false);
  t.TypeChar('4');
  EXPECT_EQ(t.Text(), "3");
  EXPECT_EQ(changes, 2);
}

TEST(ComboModel, TextChangesOnlyByChoosingAnEntry) {
  Combo c("c");
  int clicks = 0, keys = 0;
  c.Click = [&] { ++clicks; };
  c.KeyPress = [&](std::int16_t& k) {
    ++keys;
    k = 0;
  };
  c.AddItem("PORT1");
  c.AddItem("PORT2", "tip");
  c.SetText("PORT ?");
  EXPECT_EQ(clicks, 0);  // code writes raise no Click
  c.TypeChar('P');
  EXPECT_EQ(keys, 1);
  EXPECT_EQ(c.Text(), "PORT ?");
  c.Choose(1);
  EXPECT_EQ(c.Text(), "PORT2");
  EXPECT_EQ(clicks, 1);
  c.Choose(5);
  c.SetEnabled(false);
  c.Choose(0);
  EXPECT_EQ(clicks, 1);
  c.RemoveItem(0);
  EXPECT_EQ(c.Items(), std::vector<std::string>{"PORT2"});
  EXPECT_EQ(c.ItemTip(0), "tip");
}

TEST(WindowModel, UnloadRunsOnce) {
  Window w;
  int unloads = 0;
  w.Unload = [&](bool&) { ++unloads; };
  EXPECT_TRUE(w.RequestUnload());
  EXPECT_TRUE(w.RequestUnload());
  EXPECT_EQ(unloads, 1);
  EXPECT_TRUE(w.Unloaded());
}

}  // namespace
}  // namespace zl
