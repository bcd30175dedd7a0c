#pragma once

#include <QWidget>
#include <memory>

#include "app/desktop_actions.h"
#include "app/window_geometry.h"
#include "web/fetcher.h"
#include "web/pause.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace tesvarin {

class Hyperlink;
class KeyboardFilter;
class QtEventPump;
class QtResolveControls;

// The program's one window and its twelve controls. Closing it hides it and
// marks it closed; Finished follows once no command is running, so a command
// interrupted in a pause unwinds before the program quits.
class MainWindow final : public QWidget {
  Q_OBJECT

 public:
  static constexpr char kTitle[] = "Tesvarin 0.002 For Brenkasto";
  static constexpr char kCredit[] = "Brenkasto 论坛出品 · 作者：林间风";
  // In this order: the index is the selection the resolve command tests.
  static constexpr const char* kModeItems[4] = {"hi193  - 如果不知道地址请自行百度，谢谢", "djkk",
                                                "92cc", "djrrr"};

  // `desktop` and `fetcher` must outlive the window.
  MainWindow(DesktopActions& desktop, Fetcher& fetcher, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The handler of "复制到剪切板": puts the content of `Download` on the clipboard.
  void CopyCommand();
  // The handler of "开始解析".
  void RunResolveCommand();

  [[nodiscard]] bool IsClosed() const { return closed_; }
  [[nodiscard]] bool IsCommandRunning() const { return running_ > 0; }
  // Returns the frame-included top-left corner the window was placed at.
  [[nodiscard]] WindowOrigin Origin() const { return origin_; }

 signals:
  // The window has been closed and no command is running any more.
  void Finished();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void CreateControls();
  QLineEdit* CreateEditBox(const char* name, int left, int top, int width);
  QComboBox* CreateModeList();
  QPushButton* CreateButton(const char* name, const char* caption, QRect place);
  void PlaceWindow();
  void FitFrame();
  void FinishIfIdle();

  DesktopActions& desktop_;
  Fetcher& fetcher_;
  std::unique_ptr<QtEventPump> pump_;
  SteadyTicks ticks_;
  std::unique_ptr<PumpPauser> pauser_;
  std::unique_ptr<QtResolveControls> controls_;

  QGroupBox* group_ = nullptr;
  QLineEdit* url_ = nullptr;
  QComboBox* mode_ = nullptr;
  QLineEdit* download_ = nullptr;
  QPushButton* resolve_button_ = nullptr;
  QPushButton* copy_button_ = nullptr;
  Hyperlink* hyperlink_ = nullptr;
  KeyboardFilter* keyboard_ = nullptr;

  WindowOrigin origin_{0, 0};
  bool frame_fitted_ = false;
  bool closed_ = false;
  bool finished_ = false;
  int running_ = 0;
};

}  // namespace tesvarin
