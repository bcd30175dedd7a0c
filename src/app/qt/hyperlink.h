#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <functional>

#include "text/text.h"

namespace tesvarin {

// A caption that opens an address on the press of the left mouse button. It
// shows whether the pointer is over it and whether the last opening worked,
// and never takes the keyboard focus.
class Hyperlink final : public QWidget {
  Q_OBJECT

 public:
  // Returns whether the address was handed to a program that opens it.
  using Opener = std::function<bool(const Text& address)>;

  static inline const QColor kNormalColor{0, 0, 255};
  static inline const QColor kHoverColor{51, 153, 255};
  static inline const QColor kVisitedColor{128, 0, 0};

  Hyperlink(const QString& caption, Text address, Opener opener, QWidget* parent);

  [[nodiscard]] QString Caption() const { return caption_; }
  [[nodiscard]] const Text& Address() const { return address_; }
  [[nodiscard]] bool IsHovered() const { return hovered_; }
  [[nodiscard]] bool IsVisited() const { return visited_; }
  // Returns the colour the caption is drawn in now.
  [[nodiscard]] QColor TextColor() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void SetHovered(bool hovered);

  QString caption_;
  Text address_;
  Opener opener_;
  bool hovered_ = false;
  bool visited_ = false;
};

}  // namespace tesvarin
