#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <memory>
#include <vector>

#include "app/control_theme.h"
#include "tests/app/qt_test_support.h"

namespace korvelin {
namespace {

using ::korvelin::testing::TextOf;

class MainWindowTest : public ::testing::Test {
 protected:
  template <typename Widget>
  Widget* Get(Control control) {
    return qobject_cast<Widget*>(window->ControlWidget(control));
  }

  // Shows the window and gives the focus to `control`.
  void Focus(Control control) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->ControlWidget(control)->setFocus(Qt::OtherFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), window->ControlWidget(control));
  }

  std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>();
};

TEST_F(MainWindowTest, ControlsStartAsDesigned) {
  struct Case {
    Control control;
    const char* name;
    const char* kind;
    bool inFrame;  // a child of 分组框1, placed relative to it
    QRect geometry;
    const char* text;
    bool enabled;
  };
  const Case cases[] = {
      {Control::编辑框1, "编辑框1", "QLineEdit", false, {5, 10, 120, 25}, "减肥", true},
      {Control::按钮1, "按钮1", "QPushButton", false, {125, 10, 60, 25}, "开始采集", true},
      {Control::按钮2, "按钮2", "QPushButton", false, {193, 10, 60, 25}, "导出结果", true},
      {Control::按钮_清空, "按钮_清空", "QPushButton", false, {260, 10, 50, 25}, "清空", true},
      {Control::编辑框2, "编辑框2", "QPlainTextEdit", false, {5, 40, 305, 384}, "", true},
      {Control::分组框1, "分组框1", "QGroupBox", false, {314, 11, 264, 416}, "设置", true},
      {Control::选择框1, "选择框1", "QCheckBox", true, {145, 18, 106, 32}, "关键词必须包含", true},
      {Control::编辑框3, "编辑框3", "QLineEdit", true, {9, 24, 130, 20}, "", false},
      {Control::选择框2,
       "选择框2",
       "QCheckBox",
       false,
       {328, 56, 200, 32},
       "过滤含有以下关键词[一行一个]",
       true},
      {Control::编辑框4, "编辑框4", "QPlainTextEdit", true, {12, 80, 240, 320}, "", true},
      {Control::状态条1, "状态条1", "QStatusBar", false, {0, 430, 579, 20}, "", true},
  };
  QWidget* frame = window->ControlWidget(Control::分组框1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QWidget* widget = window->ControlWidget(c.control);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->objectName(), QString::fromUtf8(c.name));
    EXPECT_TRUE(widget->inherits(c.kind));
    EXPECT_EQ(widget->parentWidget(), c.inFrame ? frame : window.get());
    EXPECT_EQ(widget->geometry(), c.geometry);
    EXPECT_EQ(TextOf(widget), QString::fromUtf8(c.text));
    EXPECT_EQ(widget->isEnabled(), c.enabled);
    EXPECT_TRUE(widget->isVisibleTo(window.get()));
    if (auto* box = qobject_cast<QCheckBox*>(widget)) {
      EXPECT_FALSE(box->isChecked());
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
      EXPECT_FALSE(button->autoDefault() || button->isDefault());
    }
    if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
      EXPECT_TRUE(box->tabChangesFocus());
    }
  }
  // In window coordinates, as the design gives them.
  EXPECT_EQ(Get<QCheckBox>(Control::选择框1)->mapTo(window.get(), QPoint()), QPoint(459, 29));
  EXPECT_EQ(Get<QLineEdit>(Control::编辑框3)->mapTo(window.get(), QPoint()), QPoint(323, 35));
  EXPECT_EQ(Get<QPlainTextEdit>(Control::编辑框4)->mapTo(window.get(), QPoint()), QPoint(326, 91));
}

TEST_F(MainWindowTest, WindowStartsAsDesigned) {
  EXPECT_FALSE(window->isVisible());  // the created handler has run before the window shows
  EXPECT_EQ(window->windowTitle(), "Korvelin");
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_EQ(window->size(), QSize(579, 450));  // the client area of a 585 x 479 window
  EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(window->backgroundRole(), QPalette::Button);
  EXPECT_EQ(window->Pane(0)->text(), "状态");
  EXPECT_EQ(window->Pane(0)->width(), 35);
  EXPECT_EQ(window->Pane(1)->text(), "等待操作开始...");
  EXPECT_EQ(window->Pane(2), nullptr);
  EXPECT_EQ(QApplication::style()->name(), "fusion");

  window->show();
  const QPoint centre = window->screen()->availableGeometry().center();
  EXPECT_LE((window->frameGeometry().center() - centre).manhattanLength(), 20);
}

TEST_F(MainWindowTest, ClearEmptiesTheResultsBox) {
  Get<QPlainTextEdit>(Control::编辑框2)->setPlainText("a\nb");
  Get<QPushButton>(Control::按钮_清空)->click();
  EXPECT_EQ(TextOf(window->ControlWidget(Control::编辑框2)), "");
}

TEST_F(MainWindowTest, MustContainBoxTogglesTheSeedBox) {
  auto* mustContain = Get<QCheckBox>(Control::选择框1);
  auto* seed = Get<QLineEdit>(Control::编辑框1);
  auto* copy = Get<QLineEdit>(Control::编辑框3);

  mustContain->click();  // checks: copies the seed, the seed box stays enabled
  EXPECT_EQ(copy->text(), "减肥");
  EXPECT_TRUE(seed->isEnabled());
  seed->setText("x");    // the copy is not kept up to date
  mustContain->click();  // unchecks: disables the seed box, the copy stays
  EXPECT_FALSE(seed->isEnabled());
  EXPECT_EQ(copy->text(), "减肥");
  seed->setText("");
  mustContain->click();
  EXPECT_TRUE(seed->isEnabled());
  EXPECT_EQ(copy->text(), "");
  EXPECT_FALSE(copy->isEnabled());  // never enabled
}

TEST_F(MainWindowTest, ExclusionBoxTogglesTheListBox) {
  auto* exclude = Get<QCheckBox>(Control::选择框2);
  QWidget* list = window->ControlWidget(Control::编辑框4);
  const bool expected[] = {true, false, true};  // after each click
  for (bool enabled : expected) {
    exclude->click();
    EXPECT_EQ(exclude->isChecked(), enabled);
    EXPECT_EQ(list->isEnabled(), enabled);
  }
}

TEST_F(MainWindowTest, ExportButtonDoesNothing) {
  auto state = [this] {
    std::vector<QString> all;
    for (int i = 0; i < kControlCount; ++i) {
      QWidget* widget = window->ControlWidget(static_cast<Control>(i));
      all.push_back(TextOf(widget) + (widget->isEnabled() ? "+" : "-"));
    }
    all.push_back(window->Pane(0)->text() + window->Pane(1)->text());
    return all;
  };
  const auto before = state();
  Get<QPushButton>(Control::按钮2)->click();
  EXPECT_EQ(state(), before);
  EXPECT_FALSE(window->Closed());
}

TEST_F(MainWindowTest, StartButtonRunsTheHarvest) {
  Get<QPushButton>(Control::按钮1)->click();
  // No source yields anything yet: the seed is visited, and the run ends by itself.
  EXPECT_EQ(window->Pane(1)->text(), "关键词数量1");
  EXPECT_EQ(TextOf(window->ControlWidget(Control::按钮1)), "开始采集");
  EXPECT_EQ(TextOf(window->ControlWidget(Control::编辑框2)), "");
}

TEST_F(MainWindowTest, EscapeClosesTheWindowFromEveryBox) {
  for (Control control : {Control::编辑框1, Control::编辑框2, Control::编辑框4, Control::按钮1}) {
    SCOPED_TRACE(window->ControlWidget(control)->objectName().toStdString());
    window = std::make_unique<MainWindow>();
    Focus(control);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->Closed());
  }
}

TEST_F(MainWindowTest, EnterBreaksTheLineInMultiLineBoxes) {
  for (Control control : {Control::编辑框2, Control::编辑框4}) {
    Focus(control);
    QTest::keyClicks(QApplication::focusWidget(), "a");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClicks(QApplication::focusWidget(), "b");
    EXPECT_EQ(TextOf(window->ControlWidget(control)), "a\nb");
    EXPECT_EQ(QApplication::focusWidget(), window->ControlWidget(control));
  }
}

TEST_F(MainWindowTest, TabVisitsTheEnabledControlsInOrder) {
  struct Case {
    const char* name;
    bool listEnabled;
    std::vector<Control> order;  // from the seed box on
  };
  const Case cases[] = {
      {"initial",
       true,
       {Control::按钮1, Control::按钮2, Control::按钮_清空, Control::编辑框2, Control::选择框1,
        Control::选择框2, Control::编辑框4, Control::编辑框1}},
      {"list box disabled",
       false,
       {Control::按钮1, Control::按钮2, Control::按钮_清空, Control::编辑框2, Control::选择框1,
        Control::选择框2, Control::编辑框1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    window = std::make_unique<MainWindow>();
    window->ControlWidget(Control::编辑框4)->setEnabled(c.listEnabled);
    Focus(Control::编辑框1);
    for (Control next : c.order) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      EXPECT_EQ(QApplication::focusWidget(), window->ControlWidget(next))
          << window->ControlWidget(next)->objectName().toStdString();
    }
  }
}

TEST(EnableControlTheme, ThemedForStyles1To3) {
  struct Case {
    int style;
    const char* look;
  };
  const Case cases[] = {
      {1, "fusion"}, {2, "fusion"}, {3, "fusion"}, {0, "windows"}, {4, "windows"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    EXPECT_TRUE(EnableControlTheme(c.style));
    EXPECT_EQ(QApplication::style()->name(), c.look);
  }
}

}  // namespace
}  // namespace korvelin
