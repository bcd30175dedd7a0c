#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>
#include <functional>

#include "resolve/resolve.h"

namespace tesvarin {

// The resolve command's access to the window's controls, GBK at the boundary.
class QtResolveControls final : public ResolveControls {
 public:
  QtResolveControls(QLineEdit& url, QComboBox& mode, QLineEdit& download, QWidget& window,
                    std::function<bool()> is_closed);

  Text ReadUrl() override;
  int ReadMode() override;
  void WriteDownload(const Text& address) override;
  void ShowNotice(Notice notice, const Text& message, const Text& caption) override;
  bool IsClosed() override { return is_closed_(); }

  // Returns the content of `Download` now.
  [[nodiscard]] Text ReadDownload();

 private:
  QLineEdit& url_;
  QComboBox& mode_;
  QLineEdit& download_;
  QWidget& window_;
  std::function<bool()> is_closed_;
};

}  // namespace tesvarin
