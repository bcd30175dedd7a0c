#include "app/qt/main_window.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QWindow>
#include <algorithm>

#include "app/qt/hyperlink.h"
#include "app/qt/keyboard_filter.h"
#include "app/qt/painted_label.h"
#include "app/qt/qt_controls.h"
#include "app/qt/qt_event_pump.h"
#include "resolve/resolve.h"
#include "tesvarin/config.h"

namespace tesvarin {
namespace {

constexpr Qt::WindowFlags kFrameFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
constexpr int kBoxMinHeight = 16;
// Field and opened list together; enough for all four items.
constexpr int kOpenedListMinHeight = 160;

// The site list opens below its field, like a classic drop-down list, rather
// than as a menu laid over it.
class DropDownListStyle final : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returned) const override {
    if (hint == QStyle::SH_ComboBox_Popup) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returned);
  }
};

class TallerRowDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QStyledItemDelegate::sizeHint(option, index) + QSize(0, 1);
  }
};

PaintedLabel* CreateLabel(const char* name, const char* caption, QRect place, QWidget* parent) {
  auto* label = new PaintedLabel(QString::fromUtf8(caption), parent);
  label->setObjectName(QString::fromUtf8(name));
  label->setGeometry(place);
  return label;
}

}  // namespace

MainWindow::MainWindow(DesktopActions& desktop, Fetcher& fetcher, QWidget* parent)
    : QWidget(parent, kFrameFlags),
      desktop_(desktop),
      fetcher_(fetcher),
      pump_(std::make_unique<QtEventPump>()),
      pauser_(std::make_unique<PumpPauser>(*pump_, ticks_)) {
  setObjectName("MainWindow");
  setWindowTitle(kTitle);
  CreateControls();
  controls_ = std::make_unique<QtResolveControls>(*url_, *mode_, *download_, *this,
                                                  [this] { return closed_; });
  keyboard_ = new KeyboardFilter(*this, {url_, mode_, resolve_button_, download_, copy_button_});
  qApp->installEventFilter(keyboard_);
  PlaceWindow();
  url_->setFocus(Qt::OtherFocusReason);
}

MainWindow::~MainWindow() { qApp->removeEventFilter(keyboard_); }

void MainWindow::CreateControls() {
  group_ = new QGroupBox(this);
  group_->setObjectName(QString::fromUtf8("分组框1"));
  group_->setGeometry(7, 4, 456, 152);

  // The rows of the layout table, topmost first.
  hyperlink_ = new Hyperlink(
      QString::fromUtf8(kCredit), config::kPromotionAddress,
      [this](const Text& address) { return desktop_.OpenHyperlinkTarget(address); }, group_);
  hyperlink_->setObjectName(QString::fromUtf8("超级链接框1"));
  hyperlink_->setGeometry(9, 124, 336, 16);
  CreateLabel("标签1", "", {17, 124, 256, 16}, group_);
  CreateLabel("标签9", "把解析出来的歌曲，复制到迅雷内下载即可。", {16, 104, 288, 16}, group_);
  copy_button_ = CreateButton("按钮5", "复制到剪切板", {328, 96, 112, 24});
  download_ = CreateEditBox("Download", 64, 72, 376);
  CreateLabel("标签8", "下载载点：", {8, 72, 72, 16}, group_);
  resolve_button_ = CreateButton("按钮4", "开始解析", {361, 16, 79, 24});
  mode_ = CreateModeList();
  CreateLabel("标签7", "选择试听网站：", {9, 21, 89, 16}, group_);
  url_ = CreateEditBox("Url", 64, 48, 376);
  CreateLabel("标签6", "播放页面：", {8, 48, 56, 16}, group_);

  // Later siblings are drawn over earlier ones: raise from the bottom row up.
  const QObjectList rows = group_->children();
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    if ((*row)->isWidgetType()) static_cast<QWidget*>(*row)->raise();
  }

  connect(resolve_button_, &QPushButton::clicked, this, &MainWindow::RunResolveCommand);
  connect(copy_button_, &QPushButton::clicked, this, &MainWindow::CopyCommand);
}

QLineEdit* MainWindow::CreateEditBox(const char* name, int left, int top, int width) {
  auto* box = new QLineEdit(group_);
  box->setObjectName(QString::fromUtf8(name));
  const int edge = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box);
  const int height = std::max(kBoxMinHeight, box->fontMetrics().height() + 2 * edge);
  box->setGeometry(left, top, width, height);
  return box;
}

QComboBox* MainWindow::CreateModeList() {
  auto* list = new QComboBox(group_);
  list->setObjectName("mode");
  auto* style = new DropDownListStyle;
  style->setParent(list);
  list->setStyle(style);
  list->setEditable(false);
  list->setItemDelegate(new TallerRowDelegate(list));
  for (const char* item : kModeItems) list->addItem(QString::fromUtf8(item));
  list->setCurrentIndex(0);
  list->setGeometry(94, 20, 267, 20);
  list->setMaxVisibleItems(list->count());
  // The opened list's frame is a window of its own; its minimum height holds
  // when the list is laid out on opening.
  list->view()->window()->setMinimumHeight(kOpenedListMinHeight - list->height());
  return list;
}

QPushButton* MainWindow::CreateButton(const char* name, const char* caption, QRect place) {
  auto* button = new QPushButton(QString::fromUtf8(caption), group_);
  button->setObjectName(QString::fromUtf8(name));
  button->setAutoDefault(false);
  button->setDefault(false);
  button->setGeometry(place);
  return button;
}

void MainWindow::PlaceWindow() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect area = screen != nullptr ? screen->geometry() : QRect();
  const WindowOrigin centred = CentredOrigin(area.width(), area.height());
  origin_ = {area.left() + centred.left, area.top() + centred.top};
  // Until a window manager reports its frame, the client area is the whole window.
  setFixedSize(kWindowOuterWidth, kWindowOuterHeight);
  move(origin_.left, origin_.top);
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  FitFrame();
}

void MainWindow::FitFrame() {
  // Frame extents are known only once the window is mapped and has moved.
  if (frame_fitted_ || windowHandle() == nullptr) return;
  const QMargins frame = windowHandle()->frameMargins();
  if (frame.isNull()) return;
  frame_fitted_ = true;
  setFixedSize(kWindowOuterWidth - frame.left() - frame.right(),
               kWindowOuterHeight - frame.top() - frame.bottom());
  move(origin_.left, origin_.top);
}

void MainWindow::CopyCommand() { desktop_.SetClipboardText(controls_->ReadDownload()); }

void MainWindow::RunResolveCommand() {
  ++running_;
  ResolveCommand(*controls_, fetcher_, *pauser_);
  --running_;
  FinishIfIdle();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  closed_ = true;
  event->accept();
  FinishIfIdle();
}

void MainWindow::FinishIfIdle() {
  if (!closed_ || running_ > 0 || finished_) return;
  finished_ = true;
  emit Finished();
}

}  // namespace tesvarin
