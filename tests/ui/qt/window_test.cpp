// The whole window on the real widgets: what the operator sees and does.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "support/catalogue_sql.h"
#include "support/form_fixture.h"
#include "ui/qt/view.h"

namespace zl::test {
namespace {

class WindowTest : public FormTest {
 protected:
  std::string ExtraSql() const override { return kCatalogueSql; }

  void Show() {
    Load();
    view = std::make_unique<QtView>(form->window);
    view->Show();
    QApplication::setActiveWindow(Top());
    ASSERT_TRUE(QTest::qWaitForWindowActive(Top()));
  }
  void TearDown() override { view.reset(); }  // before the form it shows

  QMainWindow* Top() const { return static_cast<QMainWindow*>(view->TopLevel()); }
  template <class T>
  T* W(const char* name) const {
    auto* w = qobject_cast<T*>(view->Find(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  // Mouse clicks; no two follow on the same spot, so none makes a double click.
  void Click(const char* button) { QTest::mouseClick(W<QPushButton>(button), Qt::LeftButton); }
  // Opens the list and picks entry `index` with the keyboard.
  void Pick(const char* combo, int index) {
    QComboBox* box = W<QComboBox>(combo);
    ASSERT_TRUE(box->isEnabled()) << combo;
    box->showPopup();
    QAbstractItemView* list = box->view();
    list->setCurrentIndex(list->model()->index(index, 0));
    QTest::keyClick(list, Qt::Key_Return);
    // The offscreen platform does not give the activation back when a
    // popup closes, as a window system does.
    QApplication::setActiveWindow(Top());
  }

  std::unique_ptr<QtView> view;
};

// The window's controls on their widgets, one effect added by mouse and
// keyboard. Every list action against a model of the window:
// RandomOperator.EveryActionLeavesFileGridFramesAndControlsAsTheModelSays.
TEST_F(WindowTest, AnOperatorBuildsAndClearsAListWithTheMouseAndKeyboard) {
  Show();
  EXPECT_EQ(W<QComboBox>("CmbFunc")->placeholderText(), QString::fromUtf8("Chọn kiểu hiệu ứng ?"));
  EXPECT_EQ(W<QPushButton>("CmdSEND")->text(), "SENDING...");  // the design's caption, whatever it does
  Pick("CmbCOM", 1);                                           // COM 3
  Click("CmdConnect");
  ASSERT_EQ(form->CmdConnect.Caption(), "DISCONNECT");
  Pick("CmbPORT", 0);
  ASSERT_EQ(form->CmbPORT.Text(), "PORT1");

  Pick("CmbFunc", 1);  // "12 Twelve"; the focus goes to Start, its text selected
  QLineEdit* start = W<QLineEdit>("TxtA");
  ASSERT_EQ(QApplication::focusWidget(), start);
  QTest::keyClicks(start, "x7");
  // Tab into End selects its text once the view has caught up (qWaitFor, as
  // QTRY_ failures never reach GoogleTest); a value above the capacity is
  // pulled back when End is left for ADD, before ADD runs.
  QTest::keyClick(start, Qt::Key_Tab);
  QLineEdit* end = W<QLineEdit>("TxtB");
  ASSERT_TRUE(QTest::qWaitFor([&] { return end->selectedText() == "40"; })) << end->selectedText().toStdString();
  QTest::keyClicks(end, "99");
  Click("CmdAdd");
  EXPECT_EQ(Rows("SELECT * FROM PORT1 ORDER BY STT"), "1|12|12 Twelve|5|1|7|40\n");
  EXPECT_EQ(W<QTableView>("DataGrid")->model()->rowCount(), 1);

  // New and Exit by their keys.
  QTest::keyClick(Top(), Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(Rows("SELECT count(*) FROM PORT1"), "0\n");
  EXPECT_EQ(W<QTableView>("DataGrid")->model()->rowCount(), 0);
  EXPECT_EQ(W<QComboBox>("CmbPORT")->placeholderText(), "PORT ?");
  QTest::keyClick(Top(), Qt::Key_X, Qt::ControlModifier);
  EXPECT_TRUE(form->window.Unloaded());
  EXPECT_EQ(toolkit.ended, 1);
}

}  // namespace
}  // namespace zl::test
