#include "app/qt/keyboard_filter.h"

#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <utility>

namespace tesvarin {

KeyboardFilter::KeyboardFilter(QWidget& window, std::vector<QWidget*> focus_order)
    : QObject(&window), window_(window), focus_order_(std::move(focus_order)) {}

bool KeyboardFilter::BelongsToWindow(const QWidget* widget) const {
  for (; widget != nullptr; widget = widget->parentWidget()) {
    if (widget == &window_) return true;
  }
  return false;
}

bool KeyboardFilter::eventFilter(QObject* watched, QEvent* event) {
  // A key press reaches the filter several times: as ShortcutOverride, then as
  // KeyPress for the platform window, the focus widget and its parents. Acting
  // on the first KeyPress a widget receives, and swallowing it, acts once.
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  const auto* widget = static_cast<QWidget*>(watched);
  const QWidget* top = widget->window();
  const bool in_window = top == &window_;
  const bool in_list = !in_window && top->windowType() == Qt::Popup && BelongsToWindow(widget);
  if (!in_window && !in_list) return false;

  const auto* key = static_cast<QKeyEvent*>(event);
  const Qt::KeyboardModifiers held =
      key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  if (key->key() == Qt::Key_Escape) {
    if (held != Qt::NoModifier) return false;
    window_.close();
    return true;
  }
  // In an opened list the other keys keep their meaning (Enter picks an item).
  if (in_list) return false;
  switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      if (held & (Qt::ControlModifier | Qt::AltModifier)) return false;
      MoveFocus(key->key() == Qt::Key_Backtab || (held & Qt::ShiftModifier) ? -1 : 1);
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F1:
      return true;
    default:
      return false;
  }
}

void KeyboardFilter::MoveFocus(int step) {
  if (focus_order_.empty()) return;
  const auto count = static_cast<int>(focus_order_.size());
  const auto found =
      std::find(focus_order_.begin(), focus_order_.end(), QApplication::focusWidget());
  // From outside the list, Tab starts at its head and Shift+Tab at its end.
  const int from = found == focus_order_.end() ? (step > 0 ? -1 : 0)
                                               : static_cast<int>(found - focus_order_.begin());
  const int to = ((from + step) % count + count) % count;
  focus_order_[to]->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

}  // namespace tesvarin
