// Internal to the Qt view: the state shared by building the widgets and
// keeping them in step (qt_view.cpp) and by turning the operator's input
// into the models' events (qt_view_input.cpp).
#pragma once

#include <QMargins>
#include <QObject>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ui/model/grid.h"
#include "ui/qt/view.h"
#include "ui/qt/widgets.h"

class QAction;
class QComboBox;
class QEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QTableView;

namespace zl {

struct QtView::Impl : public QObject {
  explicit Impl(Window& w) : window(w) {}
  ~Impl() override;

  void Build();
  QWidget* Create(Control* c, QWidget* parent);
  void Apply(Control* c);
  void ApplyTextField(TextField& t, QLineEdit* e);
  void ApplySelection(TextField& t, QLineEdit* e);
  void ApplyCombo(Combo& c, QComboBox* box);
  void ApplyGrid(Grid& g, QTableView* table);
  void ApplyWindow();
  void ApplyGeometry();
  void FramePlaced();
  void FocusFromModel(Control* c);

  bool eventFilter(QObject* o, QEvent* e) override;
  void OnFocusIn(Control* c, Qt::FocusReason reason);
  bool OnTextKey(TextField& t, QLineEdit* e, QKeyEvent* ke);
  bool OnComboKey(Combo& c, QKeyEvent* ke);
  bool OnPopupKey(Combo& c, QKeyEvent* ke);
  void SyncSelection(TextField& t, QLineEdit* e);
  bool IsMenuShortcut(const QKeyEvent* ke) const;

  Window& window;
  MainWindow* top = nullptr;
  QWidget* central = nullptr;
  QLabel* status = nullptr;
  // The model geometry last applied; a status change must not move a
  // window the operator has moved.
  Rect applied_geometry{-1, -1, -1, -1};
  // The window manager's frame when the geometry was last applied, and
  // whether the geometry was applied once the frame was known.
  QMargins applied_frame;
  bool frame_placed = false;
  std::map<std::string, QWidget*> by_name;
  std::map<const Control*, QWidget*> widget_of;
  // Widgets that carry the focus for a control.
  std::map<const QObject*, Control*> focus_owner;
  std::map<const QObject*, Combo*> popup_of;
  std::map<const QObject*, Grid*> viewport_of;
  struct ComboShown {
    std::vector<std::string> items, tips;
  };
  std::map<const Combo*, ComboShown> combo_shown;
  struct GridShown {
    GridModel* model = nullptr;
    std::vector<int> widths;
    int row = -2;
  };
  std::map<const Grid*, GridShown> grid_shown;
  std::vector<QAction*> menu_actions;
  // Text fields whose model selection is shown once Qt has finished its own
  // focus-in handling (select-all on Tab, caret at the mouse).
  std::set<const TextField*> selection_pending;

  int applying = 0;                  // model → widgets
  const Control* pushing = nullptr;  // widget → model, no echo back
  int focusing = 0;                  // focus moved from code
  bool mouse_on_grid = false;
  bool closing_from_code = false;
  bool dying = false;
};

}  // namespace zl
