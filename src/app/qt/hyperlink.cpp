#include "app/qt/hyperlink.h"

#include <QMouseEvent>
#include <QPainter>
#include <utility>

#include "app/qt/gbk_text.h"

namespace tesvarin {

Hyperlink::Hyperlink(const QString& caption, Text address, Opener opener, QWidget* parent)
    : QWidget(parent), caption_(caption), address_(std::move(address)), opener_(std::move(opener)) {
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::PointingHandCursor);
  setMouseTracking(true);
}

QColor Hyperlink::TextColor() const {
  if (hovered_) return kHoverColor;
  return visited_ ? kVisitedColor : kNormalColor;
}

void Hyperlink::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  painter.setPen(TextColor());
  // Plain drawText: no mnemonic, so an ampersand shows as written.
  painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine,
                   caption_.isEmpty() ? FromGbk(address_) : caption_);
}

void Hyperlink::enterEvent(QEnterEvent*) { SetHovered(true); }

void Hyperlink::leaveEvent(QEvent*) { SetHovered(false); }

void Hyperlink::mouseMoveEvent(QMouseEvent* event) {
  // While a button is held the pointer stays grabbed and no leave arrives.
  SetHovered(rect().contains(event->position().toPoint()));
}

void Hyperlink::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  visited_ = opener_ && opener_(address_);
  update();
}

void Hyperlink::SetHovered(bool hovered) {
  if (hovered_ == hovered) return;
  hovered_ = hovered;
  update();
}

}  // namespace tesvarin
