#include <QAbstractItemView>
#include <QComboBox>
#include <QEnterEvent>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>
#include <string>
#include <vector>

#include "app/qt/hyperlink.h"
#include "app/qt/painted_label.h"
#include "app/window_geometry.h"
#include "tesvarin/config.h"
#include "window_fixture.h"

namespace tesvarin::testing {
namespace {

// Centring: each half truncated toward zero.
TEST(CentredOriginTest, TruncatesTowardZero) {
  struct Case {
    int width, height;
    WindowOrigin origin;
  };
  const Case cases[] = {
      {1024, 768, {272, 288}}, {475, 768, {-2, 288}},    {481, 193, {0, 0}},
      {480, 192, {0, 0}},      {1920, 1080, {720, 444}}, {0, 0, {-240, -96}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    EXPECT_EQ(CentredOrigin(c.width, c.height), c.origin);
  }
}

enum class Kind { kHyperlink, kLabel, kButton, kEdit, kList };

struct Row {
  const char* name;
  Kind kind;
  QRect place;
  const char* caption;
};

// The layout, topmost first.
const Row kRows[] = {
    {"超级链接框1", Kind::kHyperlink, {9, 124, 336, 16}, MainWindow::kCredit},
    {"标签1", Kind::kLabel, {17, 124, 256, 16}, ""},
    {"标签9", Kind::kLabel, {16, 104, 288, 16}, "把解析出来的歌曲，复制到迅雷内下载即可。"},
    {"按钮5", Kind::kButton, {328, 96, 112, 24}, "复制到剪切板"},
    {"Download", Kind::kEdit, {64, 72, 376, 16}, ""},
    {"标签8", Kind::kLabel, {8, 72, 72, 16}, "下载载点："},
    {"按钮4", Kind::kButton, {361, 16, 79, 24}, "开始解析"},
    {"mode", Kind::kList, {94, 20, 267, 20}, "hi193  - 如果不知道地址请自行百度，谢谢"},
    {"标签7", Kind::kLabel, {9, 21, 89, 16}, "选择试听网站："},
    {"Url", Kind::kEdit, {64, 48, 376, 16}, ""},
    {"标签6", Kind::kLabel, {8, 48, 56, 16}, "播放页面："},
};

QString CaptionOf(QWidget* control, Kind kind) {
  switch (kind) {
    case Kind::kHyperlink:
      return static_cast<Hyperlink*>(control)->Caption();
    case Kind::kLabel:
      return static_cast<PaintedLabel*>(control)->Caption();
    case Kind::kButton:
      return static_cast<QPushButton*>(control)->text();
    case Kind::kEdit:
      return static_cast<QLineEdit*>(control)->text();
    case Kind::kList:
      return static_cast<QComboBox*>(control)->currentText();
  }
  return {};
}

bool IsKind(QWidget* control, Kind kind) {
  switch (kind) {
    case Kind::kHyperlink:
      return qobject_cast<Hyperlink*>(control) != nullptr;
    case Kind::kLabel:
      return qobject_cast<PaintedLabel*>(control) != nullptr;
    case Kind::kButton:
      return qobject_cast<QPushButton*>(control) != nullptr;
    case Kind::kEdit:
      return qobject_cast<QLineEdit*>(control) != nullptr;
    case Kind::kList:
      return qobject_cast<QComboBox*>(control) != nullptr;
  }
  return false;
}

// Frame, title and placement of the window itself.
TEST_F(WindowTest, IsAFixedCentredDialogFrame) {
  EXPECT_EQ(window->windowTitle(), "Tesvarin 0.002 For Brenkasto");
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Window);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(flags & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(window->parentWidget(), nullptr);  // its own task-bar entry
  EXPECT_EQ(window->minimumSize(), window->maximumSize());

  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const WindowOrigin origin = CentredOrigin(screen.width(), screen.height());
  // No window manager here: the client area is the whole window.
  EXPECT_EQ(window->frameGeometry(), QRect(origin.left, origin.top, 480, 192));
  EXPECT_EQ(window->font(), QApplication::font());
}

// Names, kinds, places, sizes and captions of the twelve controls.
TEST_F(WindowTest, ControlsMatchTheLayout) {
  auto* group = Control<QGroupBox>("分组框1");
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->parentWidget(), window.get());
  EXPECT_EQ(group->geometry(), QRect(7, 4, 456, 152));
  EXPECT_TRUE(group->title().isEmpty());
  EXPECT_EQ(group->mapTo(window.get(), Url()->pos()), QPoint(71, 52));

  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    QWidget* control = Control(row.name);
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(IsKind(control, row.kind));
    EXPECT_EQ(control->parentWidget(), group);
    EXPECT_TRUE(control->isVisible());
    EXPECT_TRUE(control->isEnabled());
    EXPECT_EQ(control->pos(), row.place.topLeft());
    EXPECT_EQ(control->width(), row.place.width());
    if (row.kind == Kind::kEdit) {
      // Never shorter than a line of its font and the frame's two edges.
      const int edge =
          control->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, control);
      EXPECT_EQ(control->height(), std::max(16, control->fontMetrics().height() + 2 * edge));
    } else {
      EXPECT_EQ(control->height(), row.place.height());
    }
    EXPECT_EQ(CaptionOf(control, row.kind), QString::fromUtf8(row.caption));
    const bool takes_focus =
        row.kind == Kind::kButton || row.kind == Kind::kEdit || row.kind == Kind::kList;
    EXPECT_EQ(control->focusPolicy() != Qt::NoFocus, takes_focus);
  }
  EXPECT_FALSE(ResolveButton()->isDefault() || ResolveButton()->autoDefault());
  EXPECT_FALSE(CopyButton()->isDefault() || CopyButton()->autoDefault());
  EXPECT_FALSE(Url()->isReadOnly() || Download()->isReadOnly());
}

// Siblings stack in table order, so overlaps resolve to the upper control.
TEST_F(WindowTest, StacksInTableOrder) {
  auto* group = Control<QGroupBox>("分组框1");
  std::vector<QString> bottom_up;
  for (QObject* child : group->children()) {
    if (child->isWidgetType() && !child->objectName().isEmpty() &&
        static_cast<QWidget*>(child)->parentWidget() == group)
      bottom_up.push_back(child->objectName());
  }
  std::vector<QString> expected;
  for (auto row = std::rbegin(kRows); row != std::rend(kRows); ++row)
    expected.push_back(QString::fromUtf8(row->name));
  EXPECT_EQ(bottom_up, expected);

  struct Overlap {
    QPoint point;
    const char* upper;
  };
  const Overlap overlaps[] = {
      {{20, 130}, "超级链接框1"},                           // 标签1 lies wholly under it
      {{270, 130}, "超级链接框1"}, {{70, 76}, "Download"},  // the right 16 px of 标签8
      {{62, 76}, "标签8"},         {{96, 25}, "mode"},      // the right 4 px of 标签7
      {{92, 25}, "标签7"},
  };
  for (const Overlap& overlap : overlaps) {
    SCOPED_TRACE(overlap.upper);
    QWidget* hit = group->childAt(overlap.point);
    while (hit != nullptr && hit->parentWidget() != group) hit = hit->parentWidget();
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->objectName(), QString::fromUtf8(overlap.upper));
  }
}

// The site list: four fixed items, rows one pixel taller, opened list tall enough.
TEST_F(WindowTest, SiteListShowsAllItemsWhenOpened) {
  QComboBox* mode = Mode();
  ASSERT_EQ(mode->count(), 4);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(mode->itemText(i), QString::fromUtf8(MainWindow::kModeItems[i]));
  EXPECT_EQ(mode->currentIndex(), 0);
  EXPECT_FALSE(mode->isEditable());

  QStyleOptionViewItem option;
  option.initFrom(mode->view());
  const QModelIndex first = mode->model()->index(0, 0);
  const QStyledItemDelegate plain;
  EXPECT_EQ(mode->itemDelegate()->sizeHint(option, first).height(),
            plain.sizeHint(option, first).height() + 1);

  mode->showPopup();
  QWidget* list = mode->view()->window();
  ASSERT_TRUE(list->isVisible());
  EXPECT_GE(mode->height() + list->height(), 160);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const QRect row = mode->view()->visualRect(mode->model()->index(i, 0));
    EXPECT_TRUE(mode->view()->viewport()->rect().contains(row));
  }
  mode->hidePopup();
}

// Labels paint their whole rectangle, then their caption in black.
TEST_F(WindowTest, LabelsFillTheirRectangle) {
  auto* label = Control<PaintedLabel>("标签6");
  const QImage image = label->grab().toImage();
  const QColor face = label->palette().window().color();
  EXPECT_EQ(image.pixelColor(0, 0), face);
  EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1), face);
  bool has_black = false;
  for (int y = 0; y < image.height() && !has_black; ++y)
    for (int x = 0; x < image.width() && !has_black; ++x)
      has_black = image.pixelColor(x, y) == QColor(Qt::black);
  EXPECT_TRUE(has_black);
}

bool ShowsColour(QWidget* widget, const QColor& colour) {
  const QImage image = widget->grab().toImage();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == colour) return true;
  return false;
}

void Enter(QWidget* widget) {
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)));
  QApplication::sendEvent(widget, &enter);
}

void Leave(QWidget* widget) {
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(widget, &leave);
}

// The hyperlink: credit caption, colours by state, opening on the press.
TEST_F(WindowTest, HyperlinkOpensThePromotionAddressOnPress) {
  auto* link = Control<Hyperlink>("超级链接框1");
  EXPECT_LE(link->fontMetrics().horizontalAdvance(link->Caption()), 336);
  EXPECT_LE(link->fontMetrics().height(), 16);
  EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(link->Address(), config::kPromotionAddress);

  EXPECT_EQ(link->TextColor(), QColor(0, 0, 255));
  EXPECT_TRUE(ShowsColour(link, QColor(0, 0, 255)));
  Enter(link);
  EXPECT_EQ(link->TextColor(), QColor(51, 153, 255));
  EXPECT_TRUE(ShowsColour(link, QColor(51, 153, 255)));

  // The press opens; the release adds nothing.
  QTest::mousePress(link, Qt::LeftButton, {}, QPoint(20, 8));
  ASSERT_EQ(desktop.opened.size(), 1u);
  EXPECT_EQ(desktop.opened[0], config::kPromotionAddress);
  QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(20, 8));
  EXPECT_EQ(desktop.opened.size(), 1u);
  EXPECT_EQ(link->TextColor(), QColor(51, 153, 255));  // still under the pointer
  EXPECT_TRUE(Url()->hasFocus());                      // it never takes the focus

  Leave(link);
  EXPECT_EQ(link->TextColor(), QColor(128, 0, 0));
  EXPECT_TRUE(ShowsColour(link, QColor(128, 0, 0)));

  // Other buttons do nothing; a failed opening clears the visited state.
  QTest::mousePress(link, Qt::RightButton, {}, QPoint(20, 8));
  EXPECT_EQ(desktop.opened.size(), 1u);
  desktop.open_succeeds = false;
  QTest::mousePress(link, Qt::LeftButton, {}, QPoint(20, 8));
  EXPECT_EQ(desktop.opened.size(), 2u);
  Leave(link);
  EXPECT_EQ(link->TextColor(), QColor(0, 0, 255));
}

}  // namespace
}  // namespace tesvarin::testing
