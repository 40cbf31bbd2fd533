// The Qt view driven through its real widgets, as the operator drives them.
// The whole window through the view is in window_test.cpp.
#include "ui/qt/view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "text/cp1252.h"
#include "ui/model/grid.h"

namespace zl {
namespace {

using Log = std::vector<std::string>;

// A small window of every kind of control, shown and holding the keyboard.
class QtViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid() && QDir::setCurrent(dir_.path()));
    w.geometry = {0, 0, 15360, 8850};
    // Created in an order other than the tab order.
    const std::tuple<Control*, Rect, int> places[] = {
        {&frame, {120, 120, 9000, 6000}, 16}, {&txt1, {120, 120, 975, 495}, 1},  {&txt2, {1200, 120, 975, 495}, 2},
        {&cmb, {2400, 120, 2175, 480}, 0},    {&cmd, {4680, 120, 1335, 495}, 3}, {&lab, {6120, 120, 1575, 375}, 5},
        {&grid, {120, 840, 6000, 3000}, 4}};
    for (const auto& [c, place, tab] : places) {
      c->container = c == &frame ? nullptr : &frame;
      c->place = place;
      c->tab_index = tab;
      c->AttachFocus(&w.focus);
      w.controls.push_back(c);
      if (!c->Focusable()) continue;
      c->GotFocus = [this, c] { log.push_back(c->Name() + ".GotFocus"); };
      c->LostFocus = [this, c] { log.push_back(c->Name() + ".LostFocus"); };
    }
    cmd.font.bold = true;
    lab.SetCaption(Utf8ToCp1252("Kieåu hieäu öùng"));  // stored texts as they read in Windows-1252
    for (const char* item : {"alpha", "beta", "gamma"}) cmb.AddItem(item);
    cmb.SetText("alpha");
    // No letters, and no Backspace: the filter sees every key.
    txt1.KeyPress = [](std::int16_t& k) { k = (k < 256 && std::isalpha(k)) || k == 8 ? 0 : k; };
    txt1.Change = [this] { log.push_back("Txt1.Change=" + txt1.Text()); };
    cmb.Click = [this] { log.push_back("Cmb.Click=" + cmb.Text()); };
    cmd.Click = [this] { log.push_back("Cmd.Click"); };
    Snapshot rows({"STT", "NameFunc"});
    for (int i = 1; i <= 4; ++i) rows.Append(i, {i, "Name " + std::to_string(i)});
    grid.columns = {{"STT", "STT", 735}, {"Name", "NameFunc", 3000}};
    grid.Show(std::move(rows));
    grid.Click = [this] { log.push_back("Grid.Click@" + std::to_string(grid.Row())); };
    file.items = {&mnu_exit};
    w.menus = {&file};
    mnu_exit.Click = [this] { log.push_back("MnuExit.Click"); };
    w.Unload = [this](bool& cancel) {
      log.push_back("Unload");
      cancel = cancel_unload;
    };
    view = std::make_unique<QtView>(w);
    view->Show();
    QApplication::setActiveWindow(Top());
    ASSERT_TRUE(QTest::qWaitForWindowActive(Top()));
    log.clear();
  }
  void TearDown() override {
    view.reset();
    QDir::setCurrent(QDir::tempPath());
  }

  QMainWindow* Top() const { return static_cast<QMainWindow*>(view->TopLevel()); }
  QWidget* Find(const char* name) const { return view->Find(name); }
  QLineEdit* Edit() const { return qobject_cast<QLineEdit*>(Find("Txt1")); }
  QComboBox* Box() const { return qobject_cast<QComboBox*>(Find("Cmb")); }
  QTableView* Table() const { return qobject_cast<QTableView*>(Find("Grid")); }
  void FocusTxt1() {
    txt1.SetFocus();
    QCoreApplication::processEvents();
    log.clear();
  }

  Window w;
  Frame frame{"Frame"};
  TextField txt1{"Txt1"}, txt2{"Txt2"};
  Combo cmb{"Cmb"};
  Button cmd{"Cmd"};
  Label lab{"Lab"};
  Grid grid{"Grid"};
  Menu file{"MnuFile", "&File"};
  MenuItem mnu_exit{"MnuExit", "&Exit", "Ctrl+X"};
  bool cancel_unload = false;
  Log log;
  std::unique_ptr<QtView> view;

 private:
  QTemporaryDir dir_;
};

TEST_F(QtViewTest, DrawsEachControlAtItsPlaceInItsFontAndShowsWhatItsModelIsTold) {
  // Pixels are twips / 15, relative to the container.
  EXPECT_EQ(Edit()->mapTo(Top()->centralWidget(), QPoint(0, 0)), QPoint(16, 16));
  EXPECT_EQ(Table()->columnWidth(1), 200);
  auto* label = qobject_cast<QLabel*>(Find("Lab"));
  EXPECT_EQ(label->text(), QString::fromUtf8("Kiểu hiệu ứng"));
  EXPECT_TRUE(Find("Cmd")->font().bold());
  EXPECT_FALSE(label->font().bold());
  EXPECT_EQ(label->textFormat(), Qt::PlainText);  // a caption is never markup

  // What the models are told shows in the widgets.
  txt1.SetText("42");
  EXPECT_EQ(Edit()->text(), "42");
  cmb.SetText("PORT ?");  // no entry, and does not become one
  EXPECT_EQ(Box()->currentIndex(), -1);
  EXPECT_EQ(Box()->count(), 3);
  w.title = Utf8ToCp1252("ÑOÅI MAØU");
  w.geometry = {1500, 750, 9000, 6000};
  w.Notify();
  EXPECT_EQ(Top()->windowTitle(), QString::fromUtf8("ĐỔI MÀU"));
  // The status bar adds to the outer height, so the design area keeps its size.
  EXPECT_EQ(Top()->frameGeometry(), QRect(100, 50, 600, 400 + Top()->statusBar()->height()));
  EXPECT_EQ(log, (Log{"Txt1.Change=42"}));  // no focus moved
}

TEST_F(QtViewTest, FocusFollowsTheTabOrderAndAClickLeavesTheFieldFirst) {
  for (int i = 0; i < 3; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(log, (Log{"Cmb.LostFocus", "Txt1.GotFocus", "Txt1.LostFocus", "Txt2.GotFocus", "Txt2.LostFocus",
                      "Cmd.GotFocus"}));
  FocusTxt1();
  QTest::mouseClick(Find("Cmd"), Qt::LeftButton);
  EXPECT_EQ(log, (Log{"Txt1.LostFocus", "Cmd.GotFocus", "Cmd.Click"}));
  // Disabled controls are skipped and do nothing.
  txt2.SetEnabled(false);
  cmd.SetEnabled(false);
  EXPECT_FALSE(Find("Cmd")->isEnabled() || Find("Txt2")->isEnabled());
  FocusTxt1();
  QTest::mouseClick(Find("Cmd"), Qt::LeftButton);
  QTest::keyClick(Edit(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Table());
  EXPECT_EQ(log, (Log{"Txt1.LostFocus", "Grid.GotFocus"}));
}

TEST_F(QtViewTest, FieldKeysPassThroughTheKeyPressFilterAndMenuShortcutsComeFirst) {
  FocusTxt1();
  QTest::keyClicks(Edit(), "1a2b3");
  EXPECT_EQ(log, (Log{"Txt1.Change=1", "Txt1.Change=12", "Txt1.Change=123"}));
  QTest::keyClick(Edit(), Qt::Key_Backspace);
  QTest::keyClick(Edit(), Qt::Key_Left);
  QTest::keyClicks(Edit(), "9x");
  EXPECT_EQ(txt1.Text(), "1293");
  Edit()->insert(QString::fromUtf8("x\u00E9"));  // pasted: the filter sees keys only; é is \351
  EXPECT_EQ(txt1.Text(), "129x\3513");
  // Menu shortcuts come before the field's own keys.
  Edit()->selectAll();
  QTest::keyClick(Edit(), Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(log.back(), "MnuExit.Click");
  EXPECT_EQ(txt1.Text(), "129x\3513");
}

// Choosing from the open list: WindowTest.
TEST_F(QtViewTest, CombosChangeOnlyByChoosingFromTheList) {
  // A closed list would jump to "beta" and "gamma" on these keys.
  QTest::keyClicks(Box(), "bg");
  QTest::keyClick(Box(), Qt::Key_Down);
  EXPECT_EQ(cmb.Text(), "alpha");
  EXPECT_TRUE(log.empty());
}

TEST_F(QtViewTest, ClosingFromCodeRaisesNothingAndTheOperatorsCloseUnloadsOnce) {
  view->Close();
  for (const bool cancel : {true, false, false}) {
    cancel_unload = cancel;
    Top()->show();
    Top()->close();
    EXPECT_EQ(Top()->isVisible(), cancel);
  }
  EXPECT_EQ(log, (Log{"Unload", "Unload"}));
}

TEST_F(QtViewTest, GridClicksLeaveTheFieldThenMakeTheRowCurrentThenClick) {
  QTableView* table = Table();
  FocusTxt1();
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(2, 1)).center());
  // Below the last row: Click on the row that stays current.
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                    QPoint(5, table->visualRect(table->model()->index(3, 0)).bottom() + 3));
  grid.SetRow(3);  // the program and the keyboard move the row, raising no Click
  EXPECT_EQ(table->currentIndex().row(), 3);
  QTest::keyClick(table, Qt::Key_Up);
  EXPECT_EQ(grid.Row(), 2);
  EXPECT_EQ(log, (Log{"Txt1.LostFocus", "Grid.GotFocus", "Grid.Click@2", "Grid.Click@2"}));
}

}  // namespace
}  // namespace zl
