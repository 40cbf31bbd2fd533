// The whole window on the real widgets: what the operator sees and does.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "platform/qt_view.h"
#include "support/catalogue_sql.h"
#include "support/form_fixture.h"

namespace zl::test {
namespace {

class WindowTest : public FormTest {
 protected:
  std::string ExtraSql() const override {
    return std::string(kCatalogueSql) +
           "INSERT INTO PORT2 VALUES (1, 11, 'a', 5, 1, 1, 30), (2, 12, 'b', 5, 1, 1, 30),"
           " (3, 13, 'c', 5, 1, 1, 30);\n";
  }

  void Show() {
    Load();
    view = std::make_unique<QtView>(form->window);
    view->Show();
    QApplication::setActiveWindow(Top());
    ASSERT_TRUE(QTest::qWaitForWindowActive(Top()));
  }
  void TearDown() override { view.reset(); }

  QMainWindow* Top() const { return static_cast<QMainWindow*>(view->TopLevel()); }
  template <class T>
  T* W(const char* name) const {
    auto* w = qobject_cast<T*>(view->Find(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
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
  void ClickGridRow(int row) {
    QTableView* t = W<QTableView>("DataGrid");
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {},
                      t->visualRect(t->model()->index(row, 1)).center());
    QTest::qWait(450);  // two clicks close together would be a double click
  }

  std::unique_ptr<QtView> view;
};

TEST_F(WindowTest, OpensAtTheTopLeftWithTheDesignLayout) {
  Show();
  EXPECT_EQ(Top()->windowTitle(), "Nap phan men cho Zentrel V2.0");
  EXPECT_EQ(Top()->frameGeometry().topLeft(), QPoint(0, 0));
  EXPECT_EQ(Top()->frameGeometry().size(), QSize(1024, 590));
  QWidget* central = Top()->centralWidget();
  EXPECT_EQ(central->y(), Top()->menuBar()->height());
  // XPFrame1 at (8, 8), CmdConnect inside it at (120, 8).
  QPushButton* connect = W<QPushButton>("CmdConnect");
  EXPECT_EQ(connect->mapTo(central, QPoint(0, 0)), QPoint(128, 16));
  EXPECT_EQ(connect->size(), QSize(137, 33));
  EXPECT_EQ(connect->text(), "CONNECT");
  EXPECT_FALSE(connect->isEnabled());
  EXPECT_EQ(W<QComboBox>("CmbFunc")->placeholderText(), QString::fromUtf8("Chọn kiểu hiệu ứng ?"));
  EXPECT_EQ(W<QLabel>("LabConnect")->text(), "Not ! Connect");
  const QStringList menu{"&New", "&Open", "&Save as ..", "", "&Exit"};
  QStringList shown;
  for (QAction* a : Top()->menuBar()->actions().at(0)->menu()->actions()) shown << a->text();
  EXPECT_EQ(shown, menu);
}

TEST_F(WindowTest, TypedCharactersChangeNoCombo) {
  Show();
  QComboBox* com = W<QComboBox>("CmbCOM");
  com->setFocus();
  QTest::keyClicks(com, "C3 ");
  QTest::keyClick(com, Qt::Key_Backspace);
  EXPECT_EQ(form->CmbCOM.Text(), "COM ?");
  EXPECT_EQ(com->currentIndex(), -1);
  Pick("CmbCOM", 1);
  EXPECT_EQ(form->CmbCOM.Text(), "COM 3");
  Click("CmdConnect");
  ASSERT_EQ(form->CmdConnect.Caption(), "DISCONNECT");
  QComboBox* port = W<QComboBox>("CmbPORT");
  port->setFocus();
  QTest::keyClicks(port, "PORT2");
  EXPECT_EQ(form->CmbPORT.Text(), "PORT ?");
  EXPECT_EQ(form->PortNo, 0);
}

TEST_F(WindowTest, BuildsAListWithTheMouseAndKeyboard) {
  Show();
  Pick("CmbCOM", 1);
  Click("CmdConnect");
  Pick("CmbPORT", 0);
  ASSERT_EQ(form->PortNo, 1);
  Pick("CmbFunc", 1);  // "12 Twelve"; the focus goes to Start, its text selected
  QLineEdit* start = W<QLineEdit>("TxtA");
  ASSERT_EQ(QApplication::focusWidget(), start);
  QTest::keyClicks(start, "x7");
  EXPECT_EQ(form->TxtA.Text(), "7");
  // Tab into End selects its text; a value above the capacity is pulled
  // back when End is left for ADD, before ADD runs.
  QTest::keyClick(start, Qt::Key_Tab);
  QTest::keyClicks(W<QLineEdit>("TxtB"), "99");
  Click("CmdAdd");
  QTest::qWait(450);
  Click("CmdAdd");
  EXPECT_EQ(Rows("SELECT * FROM PORT1 ORDER BY STT"),
            "1|12|12 Twelve|5|1|7|40\n2|12|12 Twelve|5|1|7|40\n");
  EXPECT_EQ(W<QTableView>("DataGrid")->model()->rowCount(), 2);

  // Loop emptied and left becomes 1.
  QLineEdit* loop = W<QLineEdit>("TxtLoop");
  QTest::mouseClick(loop, Qt::LeftButton);
  QTest::keyClick(loop, Qt::Key_Backspace);
  QTest::keyClick(loop, Qt::Key_Tab);
  EXPECT_EQ(form->TxtLoop.Text(), "1");
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(WindowTest, MovesDeletesAndStartsANewProgramThroughTheWidgets) {
  Show();
  Pick("CmbCOM", 1);
  Click("CmdConnect");
  Pick("CmbPORT", 1);
  QTableView* grid = W<QTableView>("DataGrid");
  ASSERT_EQ(grid->model()->rowCount(), 3);

  ClickGridRow(2);
  EXPECT_EQ(EditButtons(), "DU-");
  Click("CmdUP");
  EXPECT_EQ(Stts(2), "1,2,3");
  EXPECT_EQ(Rows("SELECT CodeFunc FROM PORT2 ORDER BY STT"), "11\n13\n12\n");
  EXPECT_EQ(grid->currentIndex().row(), 1);
  EXPECT_EQ(grid->model()->index(1, 1).data().toString(), "c");
  QTest::qWait(450);
  Click("CmdDOWN");
  EXPECT_EQ(Rows("SELECT CodeFunc FROM PORT2 ORDER BY STT"), "11\n12\n13\n");

  // The keyboard moves the row but leaves the buttons as they were.
  QTest::keyClick(grid, Qt::Key_Up);
  EXPECT_EQ(form->DataGrid.Row(), 1);
  EXPECT_EQ(EditButtons(), "DU-");
  ClickGridRow(0);
  Click("CmdDEL");
  EXPECT_EQ(Rows("SELECT STT, CodeFunc FROM PORT2 ORDER BY STT"), "1|12\n2|13\n");
  EXPECT_EQ(grid->model()->rowCount(), 2);
  EXPECT_EQ(EditButtons(), "---");

  // DEL disabled itself while it had the focus; the offscreen platform then
  // leaves the window inactive, where a window system keeps it active.
  QApplication::setActiveWindow(Top());
  QTest::keyClick(Top(), Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(Stts(2), "");
  EXPECT_EQ(grid->model()->rowCount(), 0);
  EXPECT_EQ(W<QComboBox>("CmbPORT")->placeholderText(), "PORT ?");
  EXPECT_FALSE(W<QComboBox>("CmbFunc")->isEnabled());
}

TEST_F(WindowTest, ExitFromTheMenuUnloadsTheWindow) {
  Show();
  QTest::keyClick(Top(), Qt::Key_X, Qt::ControlModifier);
  EXPECT_TRUE(form->window.Unloaded());
  EXPECT_FALSE(db->IsOpen());
  EXPECT_EQ(toolkit.ended, 1);
}

}  // namespace
}  // namespace zl::test
