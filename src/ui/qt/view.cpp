#include "ui/qt/view.h"

#include <QAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QTableView>
#include <QWindow>

#include <algorithm>
#include <vector>

#include "ui/model/grid.h"
#include "ui/qt/view_impl.h"
#include "ui/qt/widgets.h"

namespace zl {

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
  top->placed = [this] {
    if (!dying) FramePlaced();
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
      if (!item->Shortcut().empty()) a->setShortcut(QKeySequence(QString::fromStdString(item->Shortcut())));
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
    case Kind::Frame: w = new PanelFrame(parent, ToQColor(c->fill), ToQColor(c->fore)); break;
    case Kind::Label: {
      auto* l = new QLabel(parent);
      l->setTextFormat(Qt::PlainText);
      l->setWordWrap(true);
      l->setAlignment((c->align == Align::Center ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
      SetTextColour(l, QPalette::WindowText, c->fore);
      w = l;
      break;
    }
    case Kind::Line: w = new LineWidget(parent, static_cast<Line&>(*c)); break;
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
      QObject::connect(e, &QLineEdit::cursorPositionChanged, e, [this, model, e] { SyncSelection(*model, e); });
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
  const QScopedValueRollback<int> guard(applying, applying + 1);
  switch (c->GetKind()) {
    case Kind::Frame: static_cast<PanelFrame*>(w)->SetCaption(Shown(static_cast<Frame*>(c)->Caption())); break;
    case Kind::Label: static_cast<QLabel*>(w)->setText(Shown(static_cast<Label*>(c)->Caption())); break;
    case Kind::Button: static_cast<QPushButton*>(w)->setText(Shown(static_cast<Button*>(c)->Caption())); break;
    case Kind::TextField: ApplyTextField(static_cast<TextField&>(*c), static_cast<QLineEdit*>(w)); break;
    case Kind::Combo: ApplyCombo(static_cast<Combo&>(*c), static_cast<QComboBox*>(w)); break;
    case Kind::Grid: ApplyGrid(static_cast<Grid&>(*c), static_cast<QTableView*>(w)); break;
    case Kind::Line: break;
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
  const QScopedValueRollback<int> guard(applying, applying + 1);
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
    for (std::size_t i = 0; i < widths.size(); ++i) table->setColumnWidth(static_cast<int>(i), widths[i]);
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
  // The design area under the menu bar and above the status line is never cut.
  const QSize least(Px(window.client_width), Px(window.client_height) + top->menuBar()->sizeHint().height() + bar);
  const QWindow* handle = top->windowHandle();
  applied_frame = handle ? handle->frameMargins() : QMargins();
  if (window.geometry.width <= 0 || window.geometry.height <= 0) {
    top->resize(least);
    return;
  }
  // The geometry is the outer one, the window manager's frame included: a
  // window's move places its frame. The status line adds to the height.
  const QRect outer = PxRect(window.geometry);
  const QMargins& frame = applied_frame;
  top->move(outer.topLeft());
  top->resize(QSize(outer.width() - frame.left() - frame.right(), outer.height() - frame.top() - frame.bottom() + bar)
                  .expandedTo(least));
}

void QtView::Impl::FramePlaced() {
  // A frame comes only once the window manager has taken the window, after
  // it was shown: the outer size is the design's again with it, once, so
  // that a window the operator maximized or resized stays so.
  const QWindow* handle = top->windowHandle();
  if (frame_placed || !handle || handle->frameMargins().isNull() || applied_geometry.width <= 0) return;
  frame_placed = true;
  if (handle->frameMargins() != applied_frame && !top->isMaximized() && !top->isFullScreen()) ApplyGeometry();
}

void QtView::Impl::FocusFromModel(Control* c) {
  auto it = widget_of.find(c);
  if (it == widget_of.end() || it->second->hasFocus()) return;
  const QScopedValueRollback<int> guard(focusing, focusing + 1);
  it->second->setFocus(Qt::OtherFocusReason);
}

QtView::QtView(Window& window) : impl_(std::make_unique<Impl>(window)) { impl_->Build(); }

QtView::~QtView() = default;

void QtView::Show() {
  MainWindow* top = impl_->top;
  impl_->ApplyWindow();
  top->show();
  impl_->FramePlaced();
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
