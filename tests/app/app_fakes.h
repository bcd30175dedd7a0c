#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/desktop_actions.h"
#include "web/fetcher.h"

namespace tesvarin::testing {

// The real clipboard; starting programs and opening addresses are recorded.
class RecordingDesktop final : public DesktopActions {
 public:
  std::vector<Text> opened;
  std::vector<Text> run;
  bool open_succeeds = true;

  bool RunCommandLine(const Text& command_line, bool) override {
    run.push_back(command_line);
    return false;
  }
  bool SetClipboardText(const Text& text) override { return real_->SetClipboardText(text); }
  bool OpenHyperlinkTarget(const Text& address) override {
    opened.push_back(address);
    return open_succeeds;
  }

 private:
  std::unique_ptr<DesktopActions> real_ = MakeDesktopActions();
};

// Answers each fetch through `reply` (given the fetch's number from 1) and
// records the addresses in order.
class ScriptedFetcher final : public Fetcher {
 public:
  std::function<DocumentBytes(int number, std::string_view address)> reply;
  std::vector<std::string> fetched;

  DocumentBytes FetchDocument(std::string_view address) override {
    fetched.emplace_back(address);
    return reply ? reply(static_cast<int>(fetched.size()), address) : DocumentBytes();
  }
};

// What an error box showed.
struct SeenBox {
  QMessageBox::Icon icon;
  QString caption;
  QString text;
  int buttons;
  bool modal;
};

// While alive, dismisses every modal message box that opens with OK and
// records what it showed.
class BoxDismisser {
 public:
  std::vector<SeenBox> seen;

  BoxDismisser() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      seen.push_back({box->icon(), box->windowTitle(), box->text(),
                      static_cast<int>(box->buttons().size()), box->isModal()});
      box->button(QMessageBox::Ok)->click();
    });
    timer_.start();
  }

 private:
  QTimer timer_;
};

}  // namespace tesvarin::testing
