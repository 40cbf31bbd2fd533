#include "qt_view.h"

#include <QAction>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "grid.h"
#include "qt_widgets.h"

namespace zl {
namespace {

// The character codes a key press types, as the window's KeyPress events
// see them; empty for keys that type nothing (arrows, Tab, shortcuts).
std::vector<std::int16_t> TypedCodes(const QKeyEvent* ke) {
  if (ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return {};
  switch (ke->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return {};
    case Qt::Key_Backspace:
      return {8};
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return {13};
    case Qt::Key_Escape:
      return {27};
    default:
      break;
  }
  std::vector<std::int16_t> codes;
  for (const QChar ch : ke->text()) {
    const char16_t u = ch.unicode();
    if (u < 32 || u == 127) return {};  // Delete and other control keys
    codes.push_back(static_cast<std::int16_t>(u <= 255 ? u : '?'));
  }
  return codes;
}

}  // namespace

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

namespace {

struct Counter {
  explicit Counter(int& n) : n_(n) { ++n_; }
  ~Counter() { --n_; }
  int& n_;
};

}  // namespace

QtView::Impl::~Impl() {
  dying = true;
  for (Control* c : window.controls) c->ViewChanged = nullptr;
  window.ViewChanged = nullptr;
  window.focus.ViewFocus = nullptr;
  delete top;
}

void QtView::Impl::Build() {
  top = new MainWindow;
  top->may_close = [this] {
    if (dying || closing_from_code) return true;
    return window.RequestUnload();
  };

  for (Menu* m : window.menus) {
    QMenu* menu = top->menuBar()->addMenu(Shown(m->Caption()));
    menu->setObjectName(QString::fromStdString(m->Name()));
    for (MenuItem* item : m->items) {
      if (item->IsSeparator()) {
        menu->addSeparator();
        continue;
      }
      QAction* a = menu->addAction(Shown(item->Caption()));
      a->setObjectName(QString::fromStdString(item->Name()));
      if (!item->Shortcut().empty())
        a->setShortcut(QKeySequence(QString::fromStdString(item->Shortcut())));
      QObject::connect(a, &QAction::triggered, top, [this, item] {
        if (!dying) item->PerformClick();
      });
      // Keeps the shortcut live while the menu is closed.
      top->addAction(a);
      menu_actions.push_back(a);
    }
  }

  central = new QWidget;
  central->setFont(ToQFont(window.font));
  top->setCentralWidget(central);

  // Below the design area, which keeps its size: the window grows by it.
  status = new QLabel;
  status->setObjectName(QStringLiteral("StatusText"));
  status->setTextFormat(Qt::PlainText);
  top->statusBar()->setSizeGripEnabled(false);
  top->statusBar()->addWidget(status, 1);

  std::vector<Control*> focusable;
  for (Control* c : window.controls) {
    auto parent_it = c->container ? widget_of.find(c->container) : widget_of.end();
    QWidget* parent = parent_it != widget_of.end() ? parent_it->second : central;
    QWidget* w = Create(c, parent);
    w->setObjectName(QString::fromStdString(c->Name()));
    by_name[c->Name()] = w;
    widget_of[c] = w;
    if (c->Focusable()) {
      w->setFocusPolicy(Qt::StrongFocus);
      w->installEventFilter(this);
      focus_owner[w] = c;
      focusable.push_back(c);
    } else {
      w->setFocusPolicy(Qt::NoFocus);
    }
    c->ViewChanged = [this, c] {
      if (!dying && pushing != c) Apply(c);
    };
    Apply(c);
  }

  std::stable_sort(focusable.begin(), focusable.end(),
                   [](const Control* a, const Control* b) { return a->tab_index < b->tab_index; });
  for (std::size_t i = 1; i < focusable.size(); ++i)
    QWidget::setTabOrder(widget_of[focusable[i - 1]], widget_of[focusable[i]]);

  window.ViewChanged = [this] {
    if (!dying) ApplyWindow();
  };
  window.focus.ViewFocus = [this](Control* c) {
    if (!dying) FocusFromModel(c);
  };
  ApplyWindow();
}

QWidget* QtView::Impl::Create(Control* c, QWidget* parent) {
  const QFont font = ToQFont(c->font);
  QWidget* w = nullptr;
  switch (c->GetKind()) {
    case Kind::Frame:
      w = new PanelFrame(parent, ToQColor(c->fill), ToQColor(c->fore));
      break;
    case Kind::Label: {
      auto* l = new QLabel(parent);
      l->setTextFormat(Qt::PlainText);
      l->setWordWrap(true);
      l->setAlignment((c->align == Align::Center ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
      SetTextColour(l, QPalette::WindowText, c->fore);
      w = l;
      break;
    }
    case Kind::Line:
      w = new LineWidget(parent, static_cast<Line&>(*c));
      break;
    case Kind::Button: {
      auto* b = new QPushButton(parent);
      auto* model = static_cast<Button*>(c);
      SetTextColour(b, QPalette::ButtonText, c->fore);
      // Enter on the focused button clicks it, as Space does.
      b->setAutoDefault(true);
      QObject::connect(b, &QPushButton::clicked, b, [this, model] {
        if (!dying) model->PerformClick();
      });
      w = b;
      break;
    }
    case Kind::TextField: {
      auto* e = new QLineEdit(parent);
      auto* model = static_cast<TextField*>(c);
      e->setAlignment(Qt::AlignCenter);
      QObject::connect(e, &QLineEdit::textEdited, e, [this, model, e](const QString& text) {
        if (!dying && !applying) model->EditFromView(ToLatin1(text), e->cursorPosition());
      });
      QObject::connect(e, &QLineEdit::cursorPositionChanged, e,
                       [this, model, e] { SyncSelection(*model, e); });
      QObject::connect(e, &QLineEdit::selectionChanged, e, [this, model, e] { SyncSelection(*model, e); });
      w = e;
      break;
    }
    case Kind::Combo: {
      auto* box = new QComboBox(parent);
      auto* model = static_cast<Combo*>(c);
      box->setEditable(false);
      // The placeholder is the combo's text as the program set it, not a hint.
      SetTextColour(box, QPalette::PlaceholderText, c->fore);
      box->view()->installEventFilter(this);
      box->view()->setFont(font);
      popup_of[box->view()] = model;
      QObject::connect(box, &QComboBox::activated, box, [this, model](int index) {
        if (!dying) model->Choose(index);
      });
      w = box;
      break;
    }
    case Kind::Grid: {
      auto* table = new QTableView(parent);
      auto* model = static_cast<Grid*>(c);
      auto* gm = new GridModel(*model, table);
      table->setModel(gm);
      table->setSelectionBehavior(QAbstractItemView::SelectRows);
      table->setSelectionMode(QAbstractItemView::SingleSelection);
      table->setEditTriggers(QAbstractItemView::NoEditTriggers);
      table->setTabKeyNavigation(false);
      table->setWordWrap(false);
      table->verticalHeader()->hide();
      table->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
      table->horizontalHeader()->setSectionsClickable(false);
      table->horizontalHeader()->setHighlightSections(false);
      table->horizontalHeader()->setFont(font);
      table->viewport()->installEventFilter(this);
      viewport_of[table->viewport()] = model;
      grid_shown[model].model = gm;
      QObject::connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, table,
                       [this, model](const QModelIndex& current, const QModelIndex&) {
                         if (dying || applying || mouse_on_grid || !current.isValid()) return;
                         model->KeyToRow(current.row());
                       });
      w = table;
      break;
    }
  }
  w->setFont(font);
  if (c->GetKind() != Kind::Line) w->setGeometry(PxRect(c->place));
  return w;
}

void QtView::Impl::Apply(Control* c) {
  QWidget* w = widget_of[c];
  if (!w) return;
  Counter guard(applying);
  switch (c->GetKind()) {
    case Kind::Frame:
      static_cast<PanelFrame*>(w)->SetCaption(Shown(static_cast<Frame*>(c)->Caption()));
      break;
    case Kind::Label:
      static_cast<QLabel*>(w)->setText(Shown(static_cast<Label*>(c)->Caption()));
      break;
    case Kind::Button:
      static_cast<QPushButton*>(w)->setText(Shown(static_cast<Button*>(c)->Caption()));
      break;
    case Kind::TextField:
      ApplyTextField(static_cast<TextField&>(*c), static_cast<QLineEdit*>(w));
      break;
    case Kind::Combo:
      ApplyCombo(static_cast<Combo&>(*c), static_cast<QComboBox*>(w));
      break;
    case Kind::Grid:
      ApplyGrid(static_cast<Grid&>(*c), static_cast<QTableView*>(w));
      break;
    case Kind::Line:
      break;
  }
  // Last: disabling the focused widget moves Qt's focus on at once.
  if (w->isEnabled() != c->Enabled()) w->setEnabled(c->Enabled());
}

void QtView::Impl::ApplyTextField(TextField& t, QLineEdit* e) {
  const QString text = Latin1(t.Text());
  if (e->text() != text) e->setText(text);
  ApplySelection(t, e);
}

void QtView::Impl::ApplySelection(TextField& t, QLineEdit* e) {
  Counter guard(applying);
  const int start = t.SelStart();
  const int length = t.SelLength();
  if (length > 0) {
    if (e->selectionStart() != start || e->selectionLength() != length) e->setSelection(start, length);
  } else if (e->hasSelectedText() || e->cursorPosition() != start) {
    e->deselect();
    e->setCursorPosition(start);
  }
}

void QtView::Impl::ApplyCombo(Combo& c, QComboBox* box) {
  ComboShown& shown = combo_shown[&c];
  std::vector<std::string> tips;
  for (int i = 0; i < c.ListCount(); ++i) tips.push_back(c.ItemTip(i));
  if (shown.items != c.Items() || shown.tips != tips) {
    box->clear();
    for (int i = 0; i < c.ListCount(); ++i) {
      box->addItem(Shown(c.List(i)));
      if (!tips[i].empty()) box->setItemData(i, Shown(tips[i]), Qt::ToolTipRole);
    }
    shown.items = c.Items();
    shown.tips = std::move(tips);
  }
  const auto found = std::find(c.Items().begin(), c.Items().end(), c.Text());
  if (found != c.Items().end()) {
    box->setCurrentIndex(static_cast<int>(found - c.Items().begin()));
  } else {
    // The placeholder shows a text that is no entry without adding one.
    box->setPlaceholderText(Shown(c.Text()));
    box->setCurrentIndex(-1);
  }
}

void QtView::Impl::ApplyGrid(Grid& g, QTableView* table) {
  GridShown& shown = grid_shown[&g];
  const bool reset = shown.model->Refresh();
  std::vector<int> widths;
  for (const GridColumn& col : g.columns) widths.push_back(Px(col.width));
  if (reset || widths != shown.widths) {
    for (std::size_t i = 0; i < widths.size(); ++i)
      table->setColumnWidth(static_cast<int>(i), widths[i]);
    shown.widths = std::move(widths);
  }
  QItemSelectionModel* sel = table->selectionModel();
  const int row = g.Row();
  if (row >= 0 && row < shown.model->rowCount()) {
    const int column = std::max(sel->currentIndex().column(), 0);
    const QModelIndex index = shown.model->index(row, column);
    if (sel->currentIndex() != index || !sel->isRowSelected(row))
      sel->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (reset || row != shown.row) table->scrollTo(index);
  } else {
    sel->clear();
  }
  shown.row = row;
}

void QtView::Impl::ApplyWindow() {
  top->setWindowTitle(Shown(window.title));
  status->setText(QString::fromStdString(window.status));
  const Rect& g = window.geometry;
  const Rect& a = applied_geometry;
  if (g.left != a.left || g.top != a.top || g.width != a.width || g.height != a.height) ApplyGeometry();
}

void QtView::Impl::ApplyGeometry() {
  applied_geometry = window.geometry;
  const int bar = top->statusBar()->sizeHint().height();
  if (window.geometry.width <= 0 || window.geometry.height <= 0) {
    // No outer size yet: the design's client area under the menu bar.
    top->resize(Px(window.client_width),
                Px(window.client_height) + top->menuBar()->sizeHint().height() + bar);
    return;
  }
  // The geometry is the outer one; Qt's is inside the frame, if any.
  const QRect outer = PxRect(window.geometry);
  const QRect frame = top->frameGeometry();
  const QRect inner = top->geometry();
  top->setGeometry(outer.x() + inner.x() - frame.x(), outer.y() + inner.y() - frame.y(),
                   outer.width() - (frame.width() - inner.width()),
                   outer.height() - (frame.height() - inner.height()) + bar);
}

void QtView::Impl::FocusFromModel(Control* c) {
  auto it = widget_of.find(c);
  if (it == widget_of.end() || it->second->hasFocus()) return;
  Counter guard(focusing);
  it->second->setFocus(Qt::OtherFocusReason);
}

bool QtView::Impl::eventFilter(QObject* o, QEvent* e) {
  if (dying) return false;
  switch (e->type()) {
    case QEvent::FocusIn: {
      auto it = focus_owner.find(o);
      if (it != focus_owner.end()) OnFocusIn(it->second, static_cast<QFocusEvent*>(e)->reason());
      return false;
    }
    case QEvent::ShortcutOverride: {
      // Menu accelerators come before the field's own keys (Ctrl+X).
      if (focus_owner.count(o) && IsMenuShortcut(static_cast<QKeyEvent*>(e))) {
        e->ignore();
        return true;
      }
      return false;
    }
    case QEvent::KeyPress: {
      auto* ke = static_cast<QKeyEvent*>(e);
      if (auto popup = popup_of.find(o); popup != popup_of.end()) return OnPopupKey(*popup->second, ke);
      auto it = focus_owner.find(o);
      if (it == focus_owner.end() || !static_cast<QWidget*>(o)->isEnabled()) return false;
      if (it->second->GetKind() == Kind::TextField)
        return OnTextKey(static_cast<TextField&>(*it->second), static_cast<QLineEdit*>(o), ke);
      if (it->second->GetKind() == Kind::Combo) return OnComboKey(static_cast<Combo&>(*it->second), ke);
      return false;
    }
    case QEvent::Wheel: {
      // A closed combo's entry changes only by choosing from its list.
      auto it = focus_owner.find(o);
      return it != focus_owner.end() && it->second->GetKind() == Kind::Combo;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      if (viewport_of.count(o) && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
        mouse_on_grid = true;
      return false;
    }
    case QEvent::MouseButtonRelease: {
      auto it = viewport_of.find(o);
      if (it == viewport_of.end() || !mouse_on_grid) return false;
      auto* me = static_cast<QMouseEvent*>(e);
      if (me->button() != Qt::LeftButton) return false;
      mouse_on_grid = false;
      auto* table = static_cast<QTableView*>(widget_of[it->second]);
      // A click below the last row still raises Click, on no row.
      it->second->ClickRow(table->indexAt(me->position().toPoint()).row());
      return false;
    }
    default:
      return false;
  }
}

void QtView::Impl::OnFocusIn(Control* c, Qt::FocusReason reason) {
  if (focusing) return;
  if (reason == Qt::PopupFocusReason || reason == Qt::MenuBarFocusReason) return;
  // Re-activating the window gives Qt's focus back; the first activation
  // is the window's first focus.
  if (reason == Qt::ActiveWindowFocusReason && window.focus.Current()) return;
  window.focus.MoveTo(c);
  if (c->GetKind() == Kind::TextField && window.focus.Current() == c) {
    auto* t = static_cast<TextField*>(c);
    selection_pending.insert(t);
    QTimer::singleShot(0, widget_of[c], [this, t] {
      if (dying || !selection_pending.erase(t)) return;
      ApplySelection(*t, static_cast<QLineEdit*>(widget_of[t]));
    });
  }
}

void QtView::Impl::SyncSelection(TextField& t, QLineEdit* e) {
  if (dying || applying || selection_pending.count(&t) || !e->hasFocus()) return;
  const bool selected = e->hasSelectedText();
  const int start = selected ? e->selectionStart() : e->cursorPosition();
  const int length = selected ? e->selectionLength() : 0;
  if (start == t.SelStart() && length == t.SelLength()) return;
  pushing = &t;
  t.SetSelStart(start);
  t.SetSelLength(length);
  pushing = nullptr;
}

bool QtView::Impl::OnTextKey(TextField& t, QLineEdit* e, QKeyEvent* ke) {
  const std::vector<std::int16_t> codes = TypedCodes(ke);
  if (codes.empty()) return false;
  if (selection_pending.erase(&t)) {
    ApplySelection(t, e);
  } else {
    SyncSelection(t, e);
  }
  for (std::int16_t code : codes) t.TypeChar(code);
  return true;
}

bool QtView::Impl::OnComboKey(Combo& c, QKeyEvent* ke) {
  if (ke->modifiers() & Qt::AltModifier) return false;  // Alt+Down opens the list
  switch (ke->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
      return true;
    default:
      break;
  }
  const std::vector<std::int16_t> codes = TypedCodes(ke);
  if (codes.empty()) return false;
  for (std::int16_t code : codes) c.TypeChar(code);
  // Space still opens the list.
  return !(codes.size() == 1 && codes[0] == ' ');
}

bool QtView::Impl::OnPopupKey(Combo& c, QKeyEvent* ke) {
  const std::vector<std::int16_t> codes = TypedCodes(ke);
  // Enter and Escape choose or close; letters must not search the list.
  if (codes.empty() || codes[0] == 13 || codes[0] == 27) return false;
  for (std::int16_t code : codes) c.TypeChar(code);
  return true;
}

bool QtView::Impl::IsMenuShortcut(const QKeyEvent* ke) const {
  const QKeySequence pressed(
      QKeyCombination(ke->modifiers() & ~Qt::KeypadModifier, static_cast<Qt::Key>(ke->key())));
  for (const QAction* a : menu_actions) {
    if (!a->shortcut().isEmpty() && a->shortcut().matches(pressed) == QKeySequence::ExactMatch)
      return true;
  }
  return false;
}

QtView::QtView(Window& window) : impl_(std::make_unique<Impl>(window)) { impl_->Build(); }

QtView::~QtView() = default;

void QtView::Show() {
  MainWindow* top = impl_->top;
  impl_->ApplyWindow();
  top->show();
  impl_->ApplyGeometry();  // the frame is known once shown
  top->activateWindow();
  top->raise();
  if (Control* c = impl_->window.focus.Current()) impl_->FocusFromModel(c);
}

void QtView::Close() {
  impl_->closing_from_code = true;
  impl_->top->close();
  impl_->closing_from_code = false;
}

QWidget* QtView::Find(const std::string& name) const {
  auto it = impl_->by_name.find(name);
  return it == impl_->by_name.end() ? nullptr : it->second;
}

QWidget* QtView::TopLevel() const { return impl_->top; }

}  // namespace zl
