// How the operator's keys, clicks and focus changes reach the models.
#include "ui/qt/view_impl.h"

#include <QAction>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableView>
#include <QTimer>

#include <cstdint>
#include <vector>

namespace zl {
namespace {

// The character codes a key press types, as the window's KeyPress events
// see them; empty for keys that type nothing (arrows, Tab, shortcuts).
std::vector<std::int16_t> TypedCodes(const QKeyEvent* ke) {
  if (ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return {};
  switch (ke->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return {};
    case Qt::Key_Backspace: return {8};
    case Qt::Key_Return:
    case Qt::Key_Enter: return {13};
    case Qt::Key_Escape: return {27};
    default: break;
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
      if (viewport_of.count(o) && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) mouse_on_grid = true;
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
    default: return false;
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
    case Qt::Key_End: return true;
    default: break;
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
  const QKeySequence pressed(QKeyCombination(ke->modifiers() & ~Qt::KeypadModifier, static_cast<Qt::Key>(ke->key())));
  for (const QAction* a : menu_actions) {
    if (!a->shortcut().isEmpty() && a->shortcut().matches(pressed) == QKeySequence::ExactMatch) return true;
  }
  return false;
}

}  // namespace zl
