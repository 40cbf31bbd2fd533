// The Qt view driven through its real widgets, as the operator drives them.
// The whole window through the view is in tests/app/window_test.cpp.
#include "ui/qt/view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "text/cp1252.h"
#include "ui/model/grid.h"
#include "ui/qt/toolkit.h"

namespace zl {
namespace {

using Log = std::vector<std::string>;

// A small window of every kind of control, shown and holding the keyboard.
class QtViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    old_dir_ = QDir::currentPath();
    QDir::setCurrent(dir_.path());

    w.geometry = {0, 0, 15360, 8850};
    // Created in an order other than the tab order.
    Place(frame, nullptr, {120, 120, 9000, 6000}, 16);
    Place(txt1, &frame, {120, 120, 975, 495}, 1);
    Place(txt2, &frame, {1200, 120, 975, 495}, 2);
    Place(cmb, &frame, {2400, 120, 2175, 480}, 0);
    Place(cmd, &frame, {4680, 120, 1335, 495}, 3);
    Place(lab, &frame, {6120, 120, 1575, 375}, 5);
    Place(grid, &frame, {120, 840, 6000, 3000}, 4);
    Place(line, &frame, {}, -1);
    line.x1 = 120, line.y1 = 720, line.x2 = 6000, line.y2 = 720;

    cmd.font.bold = true;
    cmd.fore = {0, 0, 192};
    lab.SetCaption(Codes("Kieåu hieäu öùng"));
    for (const char* item : {"alpha", "beta", "gamma"}) cmb.AddItem(item);
    cmb.SetText("alpha");
    txt2.SetText("?");

    for (Control* c : w.controls) {
      if (!c->Focusable()) continue;
      c->GotFocus = Logs(c->Name() + ".GotFocus");
      c->LostFocus = Logs(c->Name() + ".LostFocus");
    }
    // Digits only, as the window's fields.
    txt1.KeyPress = [](std::int16_t& k) {
      if (k < 256 && std::isalpha(k)) k = 0;
    };
    txt1.Change = [this] { log.push_back("Txt1.Change=" + txt1.Text()); };
    // The window's usual select-all on entering a field.
    txt2.GotFocus = [this] {
      log.push_back("Txt2.GotFocus");
      txt2.SetSelStart(0);
      txt2.SetSelLength(static_cast<int>(txt2.Text().size()));
    };
    cmb.KeyPress = [this](std::int16_t& k) {
      log.push_back("Cmb.KeyPress=" + std::to_string(k));
      k = 0;
    };
    cmb.Click = [this] { log.push_back("Cmb.Click=" + cmb.Text()); };
    cmd.Click = Logs("Cmd.Click");

    Snapshot rows({"STT", "NameFunc"});
    for (int i = 1; i <= 4; ++i) rows.Append(i, {i, Codes("Nhaáp nhaùy ") + std::to_string(i)});
    grid.columns = {{"STT", "STT", 735}, {Codes("Kieåu hieäu öùng"), "NameFunc", 3000}};
    grid.Show(std::move(rows));
    grid.Click = [this] { log.push_back("Grid.Click@" + std::to_string(grid.Row())); };

    file.items = {&mnu_new, &mnu_exit};
    w.menus = {&file};
    mnu_new.Click = Logs("MnuNew.Click");
    mnu_exit.Click = Logs("MnuExit.Click");
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
    QDir::setCurrent(old_dir_);
  }

  // Stored texts are written here as they read in Windows-1252.
  static std::string Codes(const char* text) { return Utf8ToCp1252(text); }

  std::function<void()> Logs(const std::string& event) {
    return [this, event] { log.push_back(event); };
  }

  void Place(Control& c, Control* container, Rect place, int tab) {
    c.container = container;
    c.place = place;
    c.tab_index = tab;
    c.AttachFocus(&w.focus);
    w.controls.push_back(&c);
  }

  QMainWindow* Top() const { return static_cast<QMainWindow*>(view->TopLevel()); }
  template <class T>
  T* Widget(const char* name) const {
    auto* widget = qobject_cast<T*>(view->Find(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QLineEdit* Edit(const char* name) const { return Widget<QLineEdit>(name); }
  QComboBox* Box() const { return Widget<QComboBox>("Cmb"); }
  QTableView* Table() const { return Widget<QTableView>("Grid"); }

  void Settle() { QCoreApplication::processEvents(); }

  Window w;
  Frame frame{"Frame"};
  TextField txt1{"Txt1"}, txt2{"Txt2"};
  Combo cmb{"Cmb"};
  Button cmd{"Cmd"};
  Label lab{"Lab"};
  Line line{"Line"};
  Grid grid{"Grid"};
  Menu file{"MnuFile", "&File"};
  MenuItem mnu_new{"MnuNew", "&New", "Ctrl+N"};
  MenuItem mnu_exit{"MnuExit", "&Exit", "Ctrl+X"};
  bool cancel_unload = false;
  Log log;
  std::unique_ptr<QtView> view;

 private:
  QTemporaryDir dir_;
  QString old_dir_;
};

TEST_F(QtViewTest, DrawsEachControlAtItsPlaceInItsFontWithDecodedTexts) {
  // Pixels are twips / 15, relative to the container.
  QWidget* l = view->Find("Line");
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->mapTo(Top()->centralWidget(), QPoint(0, 0)), QPoint(16, 56));
  EXPECT_EQ(l->width(), (6000 - 120) / 15 + 1);
  EXPECT_EQ(Table()->columnWidth(0), 49);
  EXPECT_EQ(Table()->columnWidth(1), 200);
  // Only the working controls take the focus.
  EXPECT_EQ(view->Find("Lab")->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(view->Find("Frame")->focusPolicy(), Qt::NoFocus);

  auto* label = Widget<QLabel>("Lab");
  const QString kieu = QString::fromUtf8("Kiểu hiệu ứng");
  EXPECT_EQ(label->text(), kieu);
  EXPECT_EQ(Table()->model()->headerData(1, Qt::Horizontal).toString(), kieu);
  EXPECT_EQ(Table()->model()->index(2, 1).data().toString(), QString::fromUtf8("Nhấp nháy 3"));
  EXPECT_EQ(Table()->model()->index(2, 0).data().toString(), "3");
  EXPECT_DOUBLE_EQ(label->font().pointSizeF(), 14.25);
  auto* button = Widget<QPushButton>("Cmd");
  EXPECT_TRUE(button->font().bold());
  EXPECT_FALSE(label->font().bold());
  EXPECT_EQ(button->palette().color(QPalette::Active, QPalette::ButtonText), QColor(0, 0, 192));

  // A caption is text, never markup.
  lab.SetCaption("<b>x</b>");
  EXPECT_EQ(label->text(), "<b>x</b>");
  EXPECT_EQ(label->textFormat(), Qt::PlainText);
}

TEST_F(QtViewTest, ModelWritesShowInTheWidgets) {
  txt1.SetText("42");
  EXPECT_EQ(Edit("Txt1")->text(), "42");
  cmd.SetCaption("DEL");
  EXPECT_EQ(Widget<QPushButton>("Cmd")->text(), "DEL");

  cmb.AddItem(Codes("Nhaáp nhaùy"), "tip");
  ASSERT_EQ(Box()->count(), 4);
  EXPECT_EQ(Box()->itemText(3), QString::fromUtf8("Nhấp nháy"));
  EXPECT_EQ(Box()->itemData(3, Qt::ToolTipRole).toString(), "tip");
  EXPECT_FALSE(Box()->itemData(0, Qt::ToolTipRole).isValid());
  // A text that is no entry shows without becoming one.
  cmb.SetText("PORT ?");
  EXPECT_EQ(Box()->currentIndex(), -1);
  EXPECT_EQ(Box()->count(), 4);
  cmb.SetText("gamma");
  EXPECT_EQ(Box()->currentIndex(), 2);
  cmb.RemoveItem(0);
  EXPECT_EQ(Box()->count(), 3);
  EXPECT_EQ(Box()->currentIndex(), 1);

  w.title = Codes("ÑOÅI MAØU");
  w.geometry = {1500, 750, 9000, 6000};
  w.Notify();
  EXPECT_EQ(Top()->windowTitle(), QString::fromUtf8("ĐỔI MÀU"));
  // The status bar adds to the outer height, so the design area keeps its size.
  const int bar = Top()->statusBar()->height();
  EXPECT_GT(bar, 0);
  EXPECT_EQ(Top()->frameGeometry(), QRect(100, 50, 600, 400 + bar));
  const int frame = Top()->frameGeometry().height() - Top()->height();
  EXPECT_EQ(Top()->centralWidget()->height(), 400 - frame - Top()->menuBar()->height());
  // A status text shows in the bar, as text, and moves no window the
  // operator has moved.
  Top()->move(130, 70);
  w.SetStatus("Sending the <b>PORT1</b> list");
  EXPECT_EQ(Top()->findChild<QLabel*>("StatusText")->text(), "Sending the <b>PORT1</b> list");
  EXPECT_EQ(Top()->findChild<QLabel*>("StatusText")->textFormat(), Qt::PlainText);
  EXPECT_EQ(Top()->frameGeometry(), QRect(130, 70, 600, 400 + bar));
  // None of this moved the focus; a text write raises Change only.
  EXPECT_EQ(log, (Log{"Txt1.Change=42"}));
}

TEST_F(QtViewTest, FocusFollowsTheOperatorAndTheProgram) {
  // The first working control in tab order holds the focus from the start.
  EXPECT_EQ(QApplication::focusWidget(), Box());

  for (const char* name : {"Txt1", "Txt2", "Cmd", "Grid"}) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), view->Find(name)) << name;
  }
  EXPECT_EQ(log, (Log{"Cmb.LostFocus", "Txt1.GotFocus", "Txt1.LostFocus", "Txt2.GotFocus", "Txt2.LostFocus",
                      "Cmd.GotFocus", "Cmd.LostFocus", "Grid.GotFocus"}));

  // From code: Qt follows, and the events come once.
  log.clear();
  txt1.SetFocus();
  Settle();
  EXPECT_EQ(QApplication::focusWidget(), Edit("Txt1"));
  EXPECT_EQ(log, (Log{"Grid.LostFocus", "Txt1.GotFocus"}));

  // A disabled field is skipped and takes neither the focus nor keys.
  txt2.SetEnabled(false);
  log.clear();
  QTest::keyClick(Edit("Txt1"), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), view->Find("Cmd"));
  QTest::mouseClick(Edit("Txt2"), Qt::LeftButton);
  QTest::keyClicks(Edit("Txt2"), "12");
  EXPECT_EQ(txt2.Text(), "?");
  EXPECT_EQ(log, (Log{"Txt1.LostFocus", "Cmd.GotFocus"}));
}

TEST_F(QtViewTest, ClickingAButtonLeavesTheFieldFirst) {
  txt1.SetFocus();
  Settle();
  log.clear();
  QTest::mouseClick(view->Find("Cmd"), Qt::LeftButton);
  EXPECT_EQ(log, (Log{"Txt1.LostFocus", "Cmd.GotFocus", "Cmd.Click"}));
  // A disabled button shows so and does nothing.
  cmd.SetEnabled(false);
  EXPECT_FALSE(view->Find("Cmd")->isEnabled());
  log.clear();
  QTest::mouseClick(view->Find("Cmd"), Qt::LeftButton);
  EXPECT_EQ(log, Log{});
  // Enter and Space on the focused button click it.
  cmd.SetEnabled(true);
  cmd.SetFocus();
  log.clear();
  QTest::keyClick(view->Find("Cmd"), Qt::Key_Space);
  QTest::keyClick(view->Find("Cmd"), Qt::Key_Return);
  EXPECT_EQ(log, (Log{"Cmd.Click", "Cmd.Click"}));
}

TEST_F(QtViewTest, FieldKeysPassThroughTheKeyPressFilterAtTheCaret) {
  txt1.SetFocus();
  log.clear();
  QLineEdit* e = Edit("Txt1");
  QTest::keyClicks(e, "1a2b3");
  EXPECT_EQ(log, (Log{"Txt1.Change=1", "Txt1.Change=12", "Txt1.Change=123"}));
  // Backspace edits, and arrow keys move the caret where the next digit goes.
  QTest::keyClick(e, Qt::Key_Backspace);
  QTest::keyClick(e, Qt::Key_Left);
  QTest::keyClicks(e, "9x");
  EXPECT_EQ(txt1.Text(), "192");
  EXPECT_EQ(e->cursorPosition(), 2);
  // Delete is the widget's own edit, reported to the model.
  QTest::keyClick(e, Qt::Key_Home);
  QTest::keyClick(e, Qt::Key_Delete);
  EXPECT_EQ(log.back(), "Txt1.Change=92");
  // A program write while typing shows with its caret.
  txt1.SetText("5");
  txt1.SetSelStart(1);
  QTest::keyClicks(e, "6");
  EXPECT_EQ(txt1.Text(), "56");
  EXPECT_EQ(e->text(), "56");
}

TEST_F(QtViewTest, EnteringAFieldShowsTheModelSelection) {
  // By mouse: the click must not undo the GotFocus handler's selection.
  txt2.SetText("77");
  txt1.SetFocus();
  QTest::mouseClick(Edit("Txt2"), Qt::LeftButton, {}, QPoint(4, 10));
  Settle();
  EXPECT_EQ(Edit("Txt2")->selectedText(), "77");
  QTest::keyClicks(Edit("Txt2"), "8");
  EXPECT_EQ(txt2.Text(), "8");

  // By Backtab, without a handler: the field keeps its caret, not Qt's
  // select-all.
  txt1.SetText("123");
  txt1.SetSelStart(1);
  QTest::keyClick(Edit("Txt2"), Qt::Key_Backtab);
  Settle();
  EXPECT_FALSE(Edit("Txt1")->hasSelectedText());
  QTest::keyClicks(Edit("Txt1"), "0");
  EXPECT_EQ(txt1.Text(), "1023");
}

TEST_F(QtViewTest, CombosChangeOnlyByChoosingFromTheList) {
  QComboBox* box = Box();
  ASSERT_EQ(QApplication::focusWidget(), box);
  // A closed list would jump to "beta" and "gamma" on these letters, and
  // move on these keys and the wheel.
  QTest::keyClicks(box, "bg");
  for (Qt::Key k : {Qt::Key_Down, Qt::Key_End, Qt::Key_PageDown}) QTest::keyClick(box, k);
  QWheelEvent wheel(QPointF(5, 5), box->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(box, &wheel);
  EXPECT_EQ(box->currentIndex(), 0);
  EXPECT_EQ(cmb.Text(), "alpha");
  EXPECT_EQ(log, (Log{"Cmb.KeyPress=98", "Cmb.KeyPress=103"}));

  // Nor does the open list search by letters.
  log.clear();
  box->showPopup();
  QAbstractItemView* list = box->view();
  ASSERT_TRUE(list->isVisible());
  QTest::keyClicks(list, "g");
  EXPECT_EQ(list->currentIndex().row(), 0);
  QTest::keyClick(list, Qt::Key_Down);
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_EQ(cmb.Text(), "beta");
  EXPECT_EQ(box->currentIndex(), 1);
  EXPECT_EQ(log, (Log{"Cmb.KeyPress=103", "Cmb.Click=beta"}));
}

// The menus and their shortcuts from the window: WindowTest.AnOperatorBuildsAndClearsAListWithTheMouseAndKeyboard.
TEST_F(QtViewTest, MenuShortcutsComeBeforeTheFieldsOwnKeys) {
  txt1.SetText("12");
  txt1.SetFocus();
  Edit("Txt1")->selectAll();
  log.clear();
  QTest::keyClick(Edit("Txt1"), Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(log, (Log{"MnuExit.Click"}));
  EXPECT_EQ(txt1.Text(), "12");
}

TEST_F(QtViewTest, ClosingFromCodeRaisesNothingAndTheOperatorsCloseUnloadsOnce) {
  view->Close();
  EXPECT_FALSE(Top()->isVisible());
  // A cancelled unload keeps the window; the log shows none from the code.
  Top()->show();
  cancel_unload = true;
  Top()->close();
  EXPECT_TRUE(Top()->isVisible());
  EXPECT_EQ(log, (Log{"Unload"}));
  cancel_unload = false;
  Top()->close();
  EXPECT_FALSE(Top()->isVisible());
  EXPECT_TRUE(w.Unloaded());
  Top()->show();
  Top()->close();
  view->Close();
  EXPECT_EQ(log, (Log{"Unload", "Unload"}));
}

TEST_F(QtViewTest, GridClicksLeaveTheFieldThenMakeTheRowCurrentThenClick) {
  QTableView* table = Table();
  ASSERT_EQ(table->model()->rowCount(), 4);
  EXPECT_EQ(table->currentIndex().row(), 0);
  txt1.SetFocus();
  log.clear();
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(2, 1)).center());
  EXPECT_EQ(log, (Log{"Txt1.LostFocus", "Grid.GotFocus", "Grid.Click@2"}));
  EXPECT_TRUE(table->selectionModel()->isRowSelected(2));
  // Below the last row: Click on the row that stays current.
  const int below = table->visualRect(table->model()->index(3, 0)).bottom() + 3;
  ASSERT_LT(below, table->viewport()->height());
  log.clear();
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(5, below));
  EXPECT_EQ(log, (Log{"Grid.Click@2"}));

  // The program moves the row; the table follows, raising no Click. Rows
  // the program adds or deletes: WindowTest.AnOperatorBuildsAndClearsAListWithTheMouseAndKeyboard.
  log.clear();
  grid.SetRow(3);
  EXPECT_EQ(table->currentIndex().row(), 3);
  EXPECT_TRUE(table->selectionModel()->isRowSelected(3));
  // The keyboard moves the row too, raising no Click.
  QTest::keyClick(table, Qt::Key_Up);
  EXPECT_EQ(grid.Row(), 2);
  EXPECT_EQ(log, Log{});
}

TEST(QtToolkitTest, BusyShowsTheWaitCursorUntilItEnds) {
  QtToolkit toolkit;
  ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
  toolkit.ShowBusy(true);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  toolkit.ShowBusy(false);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace zl
