#include "app/qt_window_services.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "tests/app/qt_test_support.h"
#include "tests/support/gbk.h"

namespace korvelin {
namespace {

using ::korvelin::testing::G;
using ::korvelin::testing::TextOf;

class QtWindowServicesTest : public ::testing::Test {
 protected:
  QPlainTextEdit* Box(Control control) {
    return qobject_cast<QPlainTextEdit*>(window.ControlWidget(control));
  }

  MainWindow window;
  QtWindowServices services{window};
};

TEST_F(QtWindowServicesTest, TextsCrossBetweenCodePage936AndQt) {
  struct Case {
    const char* name;
    Control control;
    Text written;   // code page 936, through SetText
    QString shown;  // what Qt holds then
    Text read;      // ReadText afterwards
  };
  const Case cases[] = {
      {"seed box", Control::编辑框1, G("减肥茶"), "减肥茶", G("减肥茶")},
      {"caption", Control::按钮1, G("停止采集"), "停止采集", G("停止采集")},
      {"lines of a multi-line box", Control::编辑框4, G("甲\r\n\r\nb\r\n"), "甲\n\nb\n",
       G("甲\r\n\r\nb\r\n")},
      {"trail bytes", Control::编辑框2, "\xD3\x5B\r\n\xD4\x5D", "覽\n註", "\xD3\x5B\r\n\xD4\x5D"},
      {"a disabled box", Control::编辑框3, "x", "x", "x"},
      {"not a text control", Control::选择框1, "x", "关键词必须包含", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    services.SetText(c.control, c.written);
    EXPECT_EQ(TextOf(window.ControlWidget(c.control)), c.shown);
    EXPECT_EQ(services.ReadText(c.control), c.read);
  }
  Box(Control::编辑框4)->setPlainText("a😀");  // lacking in code page 936
  EXPECT_EQ(services.ReadText(Control::编辑框4), "a?");
}

TEST_F(QtWindowServicesTest, AppendTextGoesToTheEndWhereverTheCaretIs) {
  QPlainTextEdit* results = Box(Control::编辑框2);
  window.show();
  services.AppendText(Control::编辑框2, G("甲\r\n"));
  QCoreApplication::processEvents();    // the event loop's turn: what was appended shows
  EXPECT_EQ(results->blockCount(), 2);  // one line, and the empty one after it
  for (int i = 0; i < 200; ++i) services.AppendText(Control::编辑框2, "line\r\n");
  QCoreApplication::processEvents();

  // The user selects the first line and scrolls to the top.
  QTextCursor selection(results->document());
  selection.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
  results->setTextCursor(selection);
  results->verticalScrollBar()->setValue(0);

  services.AppendText(Control::编辑框2, G("乙\r\n"));
  QCoreApplication::processEvents();
  EXPECT_EQ(results->blockCount(), 203);
  EXPECT_TRUE(results->toPlainText().startsWith("甲\nline\n"));
  EXPECT_TRUE(results->toPlainText().endsWith("line\n乙\n"));
  EXPECT_TRUE(results->textCursor().atEnd());
  EXPECT_FALSE(results->textCursor().hasSelection());
  EXPECT_GT(results->verticalScrollBar()->value(), 0);
  EXPECT_TRUE(results->viewport()->rect().contains(results->cursorRect()));
  EXPECT_FALSE(results->document()->isUndoAvailable());
}

// A paint spy: counts the repaints of a widget and whether one came after `Reset`.
class Paints : public QObject {
 public:
  explicit Paints(QWidget* widget) { widget->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count, since = true;
    return false;
  }
  void Reset() { since = false; }
  int count = 0;
  bool since = false;
};

TEST_F(QtWindowServicesTest, AHarvestsBurstIsPaintedAtAPaceAndShownWhenItEnds) {
  QPlainTextEdit* results = Box(Control::编辑框2);
  window.show();
  QCoreApplication::processEvents();
  Paints paints(results->viewport());
  constexpr int kLines = 300;
  for (int i = 0; i < kLines; ++i) {
    services.ProcessPendingEvents();  // as the harvest does before every candidate
    services.AppendText(Control::编辑框2, "line\r\n");
  }
  EXPECT_LT(paints.count, kLines / 4);
  // Whatever the last call held back is painted, with every line, once the loop has its turn.
  paints.Reset();
  QCoreApplication::processEvents();
  EXPECT_TRUE(paints.since);
  EXPECT_EQ(results->blockCount(), kLines + 1);
  EXPECT_TRUE(results->viewport()->rect().contains(results->cursorRect()));
}

TEST_F(QtWindowServicesTest, InputMeetsEveryLineAppendedBeforeIt) {
  QPlainTextEdit* results = Box(Control::编辑框2);
  window.show();
  QCoreApplication::processEvents();
  services.AppendText(Control::编辑框2, "early\r\n");
  EXPECT_EQ(services.ReadText(Control::编辑框2), "early\r\n");  // a read sees it too
  services.AppendText(Control::编辑框2, "before the click\r\n");
  QTest::mouseClick(window.ControlWidget(Control::按钮_清空), Qt::LeftButton);
  services.AppendText(Control::编辑框2, "after\r\n");
  QCoreApplication::processEvents();
  EXPECT_EQ(results->toPlainText(), "after\n");
}

TEST_F(QtWindowServicesTest, PaneTextOnlyForThePanesOfTheStatusBar) {
  struct Case {
    const char* name;
    Control control;
    int pane;
    QString pane0, pane1;
  };
  const Case cases[] = {
      {"pane 1", Control::状态条1, 1, "状态", "新"},
      {"pane 0", Control::状态条1, 0, "新", "等待操作开始..."},
      {"pane -1", Control::状态条1, -1, "状态", "等待操作开始..."},
      {"pane 2", Control::状态条1, 2, "状态", "等待操作开始..."},
      {"not the status bar", Control::编辑框1, 1, "状态", "等待操作开始..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    window.Pane(0)->setText("状态");
    window.Pane(1)->setText("等待操作开始...");
    services.SetPaneText(c.control, c.pane, G("新"));
    EXPECT_EQ(window.Pane(0)->text(), c.pane0);
    EXPECT_EQ(window.Pane(1)->text(), c.pane1);
  }
}

TEST_F(QtWindowServicesTest, ChecksAndEnabledStates) {
  qobject_cast<QCheckBox*>(window.ControlWidget(Control::选择框2))->setChecked(true);
  EXPECT_TRUE(services.IsChecked(Control::选择框2));
  EXPECT_FALSE(services.IsChecked(Control::选择框1));
  EXPECT_FALSE(services.IsChecked(Control::按钮1));
  services.SetDisabled(Control::编辑框1, true);
  EXPECT_FALSE(window.ControlWidget(Control::编辑框1)->isEnabled());
  services.SetDisabled(Control::编辑框3, false);
  EXPECT_TRUE(window.ControlWidget(Control::编辑框3)->isEnabled());
}

TEST_F(QtWindowServicesTest, ProcessPendingEventsRunsAQueuedClickNested) {
  QMetaObject::invokeMethod(window.ControlWidget(Control::按钮1), "click", Qt::QueuedConnection);
  EXPECT_EQ(window.Pane(1)->text(), "等待操作开始...");
  services.ProcessPendingEvents();
  // The harvest ran inside the call, to its end.
  EXPECT_EQ(window.Pane(1)->text(), "关键词数量1");
  EXPECT_EQ(services.ReadText(Control::按钮1), G("开始采集"));
}

TEST_F(QtWindowServicesTest, AClosedWindowIsLeftAlone) {
  window.show();
  QMetaObject::invokeMethod(&window, "close", Qt::QueuedConnection);
  services.ProcessPendingEvents();
  EXPECT_TRUE(services.WindowClosed());
  EXPECT_FALSE(window.isVisible());

  QMetaObject::invokeMethod(window.ControlWidget(Control::按钮1), "click", Qt::QueuedConnection);
  services.ProcessPendingEvents();  // returns at once
  services.SetText(Control::编辑框1, "x");
  services.AppendText(Control::编辑框2, "x\r\n");
  services.SetPaneText(Control::状态条1, 1, "x");
  EXPECT_EQ(services.ReadText(Control::编辑框1), "");
  EXPECT_EQ(qobject_cast<QLineEdit*>(window.ControlWidget(Control::编辑框1))->text(), "减肥");
  EXPECT_EQ(Box(Control::编辑框2)->toPlainText(), "");
  EXPECT_EQ(window.Pane(1)->text(), "等待操作开始...");
}

TEST_F(QtWindowServicesTest, ClosingDuringAHandlerEndsTheEventLoopWithStatus0) {
  window.show();
  bool handlerReturned = false;
  QTimer::singleShot(0, &window, [&] {  // a handler in progress, as a harvest would be
    QMetaObject::invokeMethod(&window, "close", Qt::QueuedConnection);
    services.ProcessPendingEvents();
    EXPECT_TRUE(services.WindowClosed());
    services.ProcessPendingEvents();
    handlerReturned = true;
  });
  QTimer::singleShot(10000, [] { QCoreApplication::exit(3); });  // rather than hang
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(handlerReturned);
}

}  // namespace
}  // namespace korvelin
