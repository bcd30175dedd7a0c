#pragma once

#include <QString>
#include <QWidget>

namespace tesvarin {

// A static caption that paints its whole rectangle with the window background
// and then one left-aligned, vertically centred line of black text.
class PaintedLabel final : public QWidget {
  Q_OBJECT

 public:
  PaintedLabel(const QString& caption, QWidget* parent);
  [[nodiscard]] QString Caption() const { return caption_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
};

}  // namespace tesvarin
