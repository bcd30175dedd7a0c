#include "app/qt/painted_label.h"

#include <QPainter>

namespace tesvarin {

PaintedLabel::PaintedLabel(const QString& caption, QWidget* parent)
    : QWidget(parent), caption_(caption) {
  setFocusPolicy(Qt::NoFocus);
}

void PaintedLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  painter.setPen(Qt::black);
  painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption_);
}

}  // namespace tesvarin
