// What a user can throw at the window: huge, odd and unmappable texts, pasting and clicking
// while a harvest runs, closing in the middle of a request. The real click handler of 按钮1
// runs each time, with the proxy variables pointed at a loopback proxy of the test's own that
// answers every request with 502, so nothing leaves the machine and no candidate comes back.
// Afterwards the window still works, and it closes cleanly.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <string>

#include "app/main_window.h"
#include "tests/app/qt_test_support.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/tcp_server.h"

namespace korvelin {
namespace {

using ::korvelin::testing::Connection;
using ::korvelin::testing::ScopedEnvironment;
using ::korvelin::testing::TcpServer;
using ::korvelin::testing::TextOf;

class WindowBadInputTest : public ::testing::Test {
 protected:
  QWidget* Widget(Control control) { return window_.ControlWidget(control); }
  void Queue(Control control, const char* slot) {
    QMetaObject::invokeMethod(Widget(control), slot, Qt::QueuedConnection);
  }
  void Click(Control control) { qobject_cast<QAbstractButton*>(Widget(control))->click(); }

  // The harvest ended, showed the count of the keywords it knew, and left the window usable.
  void ExpectIdleAfterOneVisit() {
    EXPECT_EQ(TextOf(Widget(Control::按钮1)), "开始采集");
    EXPECT_EQ(window_.Pane(1)->text(), "关键词数量1");
    EXPECT_FALSE(window_.Closed());
  }

  MainWindow window_;
  std::atomic<bool> closeOnRequest_ = false;
  // A proxy for every request; a request it gets may close the window, as a user would while
  // the request is on its way.
  TcpServer proxy_{[this](Connection& c) {
    std::string head;
    if (!c.ReadUntil("\r\n\r\n", head)) return;
    if (closeOnRequest_) QMetaObject::invokeMethod(&window_, "close", Qt::QueuedConnection);
    c.Write("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    c.Close();
  }};
  const std::string proxyUrl_ = "http://127.0.0.1:" + std::to_string(proxy_.port());
  ScopedEnvironment environment_{{"http_proxy", proxyUrl_},   {"https_proxy", proxyUrl_},
                                 {"HTTPS_PROXY", proxyUrl_},  {"all_proxy", std::nullopt},
                                 {"ALL_PROXY", std::nullopt}, {"no_proxy", std::nullopt},
                                 {"NO_PROXY", std::nullopt}};
};

TEST_F(WindowBadInputTest, OddSeedsAndExclusionLists) {
  struct Case {
    const char* name;
    QString seed;
    QString exclusions;
  };
  QString manyLines;
  for (int i = 0; i < 100000; ++i) manyLines += QStringLiteral("排除%1\n").arg(i);
  const Case cases[] = {
      {"a 1 MiB seed", QString(1 << 19, QChar(u'减')), ""},
      {"characters outside code page 936", "减肥😀", "😀\n🙂x\n"},
      {"control characters",
       QString("a\tb\x01"
               "c\x1B[31m\x7F") +
           QChar(0) + "d",
       QString("\x01\n\t\n") + QChar(0) + "\n"},
      {"an exclusion list of 100 000 lines", "减肥", manyLines},
  };
  auto* seedBox = qobject_cast<QLineEdit*>(Widget(Control::编辑框1));
  auto* exclusionBox = qobject_cast<QPlainTextEdit*>(Widget(Control::编辑框4));
  window_.show();
  Click(Control::选择框2);  // the exclusion list on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    seedBox->setText(c.seed);
    exclusionBox->setPlainText(c.exclusions);
    QApplication::processEvents();  // shows them
    Click(Control::选择框1);        // the must-contain rule on: the seed is copied
    Click(Control::按钮1);
    ExpectIdleAfterOneVisit();
    // Nothing the user typed is lost or cut short.
    EXPECT_EQ(seedBox->text().size(), c.seed.size());
    EXPECT_TRUE(seedBox->text() == c.seed);
    EXPECT_TRUE(TextOf(Widget(Control::编辑框3)) == c.seed);
    EXPECT_TRUE(exclusionBox->toPlainText() == c.exclusions);
    Click(Control::选择框1);  // and off again
  }
}

TEST_F(WindowBadInputTest, PastingIntoTheResultsBoxDuringARun) {
  auto* results = qobject_cast<QPlainTextEdit*>(Widget(Control::编辑框2));
  results->setPlainText("已有\n");
  QApplication::clipboard()->setText("粘贴的\n文字");
  Queue(Control::按钮1, "click");
  Queue(Control::编辑框2, "selectAll");
  Queue(Control::编辑框2, "paste");  // handled inside the run, over the selection
  Queue(Control::编辑框2, "paste");
  QApplication::processEvents();
  ExpectIdleAfterOneVisit();
  EXPECT_EQ(results->toPlainText(), "粘贴的\n文字粘贴的\n文字");
}

TEST_F(WindowBadInputTest, StartAndStopTwentyTimesInQuickSuccession) {
  for (int i = 0; i < 40; ++i) Queue(Control::按钮1, "click");
  QApplication::processEvents();
  ExpectIdleAfterOneVisit();
  window_.Pane(1)->clear();
  Click(Control::按钮1);  // still answers
  ExpectIdleAfterOneVisit();
}

TEST_F(WindowBadInputTest, ClosingDuringARequestEndsTheEventLoopWithStatus0) {
  closeOnRequest_ = true;
  window_.show();
  QTimer::singleShot(0, &window_, [this] {
    Click(Control::按钮1);
    // Without a request on the way, the close comes right after the run.
    if (!window_.Closed()) window_.close();
  });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(window_.Closed());
  EXPECT_FALSE(window_.isVisible());
}

}  // namespace
}  // namespace korvelin
