#include "app/startup.h"

#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QWindow>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <system_error>

#include "app/qt/main_window.h"
#include "tesvarin/config.h"
#include "web/curl_fetcher.h"

namespace tesvarin {
namespace {

void EnterProgramFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) (void)::chdir(program.parent_path().c_str());
}

QIcon ApplicationIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48})
    icon.addFile(QString(":/icons/tesvarin-%1.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace

void OnMainWindowCreated(DesktopActions& desktop) {
  // Normally there is no such program here: nothing opens and nothing waits.
  desktop.RunCommandLine(std::string("explorer.exe ") + config::kPromotionAddress, false);
}

int StartUp(int argc, char** argv) {
  EnterProgramFolder();
  QApplication app(argc, argv);
  // The window's Finished signal ends the loop, after any running command.
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(ApplicationIcon());
  QGuiApplication::setDesktopFileName("tesvarin");

  const std::unique_ptr<DesktopActions> desktop = MakeDesktopActions();
  CurlFetcher fetcher;
  std::unique_ptr<MainWindow> window;
  try {
    window = std::make_unique<MainWindow>(*desktop, fetcher);
    window->winId();  // the native window, still hidden
  } catch (const std::bad_alloc&) {
    window.reset();
  }
  if (window == nullptr || window->windowHandle() == nullptr ||
      window->windowHandle()->handle() == nullptr) {
    QMessageBox::critical(nullptr, MainWindow::kTitle,
                          QString::fromUtf8("主窗口无法创建，程序将退出。"));
    return -1;
  }
  QObject::connect(window.get(), &MainWindow::Finished, &app, &QCoreApplication::quit,
                   Qt::QueuedConnection);

  OnMainWindowCreated(*desktop);
  window->show();
  window->raise();
  window->activateWindow();
  window->findChild<QWidget*>("Url")->setFocus(Qt::ActiveWindowFocusReason);
  QApplication::exec();
  return 0;
}

}  // namespace tesvarin
