#pragma once

#include <QObject>
#include <QWidget>
#include <vector>

namespace tesvarin {

// Sees every key press for `window`, its controls and their pop-up lists
// before they do: Tab and Shift+Tab walk `focus_order` (wrapping), Esc
// without modifiers closes the window, Enter and F1 do nothing. Other keys,
// and keys for other windows (message boxes among them), pass untouched.
class KeyboardFilter final : public QObject {
 public:
  KeyboardFilter(QWidget& window, std::vector<QWidget*> focus_order);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  [[nodiscard]] bool BelongsToWindow(const QWidget* widget) const;
  void MoveFocus(int step);

  QWidget& window_;
  std::vector<QWidget*> focus_order_;
};

}  // namespace tesvarin
