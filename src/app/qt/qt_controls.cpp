#include "app/qt/qt_controls.h"

#include <utility>

#include "app/qt/gbk_text.h"
#include "app/qt/message_box.h"

namespace tesvarin {

QtResolveControls::QtResolveControls(QLineEdit& url, QComboBox& mode, QLineEdit& download,
                                     QWidget& window, std::function<bool()> is_closed)
    : url_(url),
      mode_(mode),
      download_(download),
      window_(window),
      is_closed_(std::move(is_closed)) {}

Text QtResolveControls::ReadUrl() { return ToGbk(url_.text()); }

int QtResolveControls::ReadMode() { return mode_.currentIndex(); }

void QtResolveControls::WriteDownload(const Text& address) {
  download_.setText(FromGbk(address));
  download_.setCursorPosition(0);
}

void QtResolveControls::ShowNotice(Notice, const Text& message, const Text& caption) {
  ShowErrorBox(&window_, message, caption);
}

Text QtResolveControls::ReadDownload() { return ToGbk(download_.text()); }

}  // namespace tesvarin
