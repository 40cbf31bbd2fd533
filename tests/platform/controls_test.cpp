#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/window.h"

namespace zl {
namespace {

using Log = std::vector<std::string>;

TEST(FocusOrder, TheControlLeftLosesItBeforeTheOneEnteredGetsItOrAClickRuns) {
  Window w;
  TextField a{"a"}, b{"b"};
  Button ok{"ok"};
  Label label{"label"};
  Log log;
  for (Control* c : std::vector<Control*>{&a, &b, &ok}) {
    c->AttachFocus(&w.focus);
    c->GotFocus = [&log, c] { log.push_back("got " + c->Name()); };
    c->LostFocus = [&log, c] { log.push_back("lost " + c->Name()); };
  }
  ok.Click = [&] { log.push_back("click ok"); };
  a.SetFocus();
  b.SetFocus();
  EXPECT_EQ(log, (Log{"got a", "lost a", "got b"}));
  log.clear();
  // What the view does on a mouse click: focus at press, click at release.
  w.focus.MoveTo(&ok);
  ok.PerformClick();
  EXPECT_EQ(log, (Log{"lost b", "got ok", "click ok"}));
  log.clear();
  // Disabled and unfocusable controls take no focus, nor does the control
  // that has it already; a disabled button ignores clicks.
  a.SetEnabled(false);
  a.SetFocus();
  EXPECT_FALSE(w.focus.MoveTo(&label));
  ok.SetFocus();
  EXPECT_EQ(w.focus.Current(), &ok);
  EXPECT_TRUE(log.empty());
  ok.SetEnabled(false);
  ok.PerformClick();
  EXPECT_TRUE(log.empty());
  // A LostFocus handler that moves the focus wins.
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
  t.TypeChar('x');  // dropped by KeyPress
  t.TypeChar('\r');  // a control character inserts nothing
  t.TypeChar('3');
  EXPECT_EQ(t.SelStart(), 1);
  t.SetSelStart(0);
  t.TypeChar(8);  // nothing before the caret
  t.SetEnabled(false);
  t.TypeChar('4');
  EXPECT_EQ(changes, (Log{"12", "3"}));
}

TEST(ComboModel, TextChangesOnlyByChoosingAnEntry) {
  Combo c("c");
  Log log;
  c.Click = [&] { log.push_back("click " + c.Text()); };
  c.KeyPress = [&](std::int16_t& k) { log.push_back("key " + std::to_string(k)); };
  c.AddItem("PORT1");
  c.AddItem("PORT2", "tip");
  c.SetText("PORT ?");  // code writes raise no Click
  c.TypeChar('P');
  EXPECT_EQ(c.Text(), "PORT ?");
  c.Choose(1);
  c.Choose(5);
  c.SetEnabled(false);
  c.Choose(0);
  c.TypeChar('P');
  EXPECT_EQ(log, (Log{"key 80", "click PORT2"}));
  EXPECT_EQ(c.Text(), "PORT2");
  c.RemoveItem(0);
  EXPECT_EQ(c.Items(), std::vector<std::string>{"PORT2"});
  EXPECT_EQ(c.ItemTip(0), "tip");
}

TEST(WindowModel, UnloadRunsOnce) {
  Window w;
  int unloads = 0;
  w.Unload = [&](bool&) { ++unloads; };
  EXPECT_TRUE(w.RequestUnload() && w.RequestUnload());
  EXPECT_EQ(unloads, 1);
  EXPECT_TRUE(w.Unloaded());
}

}  // namespace
}  // namespace zl
