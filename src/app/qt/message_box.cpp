#include "app/qt/message_box.h"

#include <QMessageBox>

#include "app/qt/gbk_text.h"

namespace tesvarin {

void ShowErrorBox(QWidget* parent, const Text& message, const Text& caption) {
  QMessageBox box(QMessageBox::Critical, FromGbk(caption), FromGbk(message), QMessageBox::Ok,
                  parent);
  box.setObjectName("ErrorBox");
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace tesvarin
