#include "app/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QStatusBar>
#include <limits>

#include "app/control_theme.h"
#include "app/qt_window_services.h"
#include "harvest/harvest_run.h"

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

// The client area that a 585 x 479 window with a fixed frame (3-pixel borders, 23-pixel title
// bar) leaves; the controls' places are given in it.
constexpr QSize kClientSize(579, 450);
constexpr QSize kOuterSize(585, 479);
constexpr int kStatusPane0Width = 35;

// The object names, in the order of the Control enumerators.
constexpr std::array<const char16_t*, kControlCount> kControlNames = {
    u"编辑框1", u"按钮1",   u"按钮2",   u"按钮_清空", u"编辑框2", u"分组框1",
    u"选择框1", u"编辑框3", u"选择框2", u"编辑框4",   u"状态条1",
};

QString ControlName(Control control) {
  return QString::fromUtf16(kControlNames[static_cast<std::size_t>(control)]);
}

// Black text on white, and no selection shown while the box does not have the focus.
void PaintEditBox(QWidget* box) {
  QPalette palette = box->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::Base, Qt::white);
    palette.setColor(group, QPalette::Text, Qt::black);
  }
  palette.setColor(QPalette::Inactive, QPalette::Highlight, Qt::white);
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
  box->setPalette(palette);
}

// No length limit: a QLineEdit would cut its text at 32767 characters.
void MakeSingleLineBox(QLineEdit* box, const QString& text) {
  PaintEditBox(box);
  box->setMaxLength(std::numeric_limits<int>::max());
  box->setText(text);
}

// Wraps at the right edge, scrolls only vertically; Enter breaks the line and Tab leaves.
void MakeMultiLineBox(QPlainTextEdit* box) {
  PaintEditBox(box);
  box->setTabChangesFocus(true);
  box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void MakeButton(QPushButton* button, const QString& caption) {
  button->setText(caption);
  button->setAutoDefault(false);  // Enter presses no button
  button->setDefault(false);
}

}  // namespace
// ---- end internal --------------------------------------------------------------------------

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
  setWindowTitle(QStringLiteral("Korvelin"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(kClientSize);
  setBackgroundRole(QPalette::Button);  // the button face, whatever the style
  setAutoFillBackground(true);

  // Creation order is the Tab order.
  createSeedRow();
  createResultsBox();
  createSettings();
  createStatusBar();
  createKeyboard();
  placeWindow();
  OnCreated();
}

QWidget* MainWindow::ControlWidget(Control control) const {
  return controls_[static_cast<std::size_t>(control)];
}

QLabel* MainWindow::Pane(int pane) const {
  return pane >= 0 && pane < static_cast<int>(panes_.size()) ? panes_[pane] : nullptr;
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The count pane changes its text after every visit of a harvest; at the size the status
  // bar's layout gave it, fixed, a new text repaints the pane without laying the bar out again.
  panes_[1]->setFixedSize(panes_[1]->size());
}

void MainWindow::closeEvent(QCloseEvent* event) {
  closed_ = true;
  event->accept();
}

template <typename Widget>
Widget* MainWindow::addControl(Control control, QWidget* parent, const QRect& geometry) {
  auto* widget = new Widget(parent);
  widget->setObjectName(ControlName(control));
  widget->setGeometry(geometry);
  controls_[static_cast<std::size_t>(control)] = widget;
  return widget;
}

void MainWindow::createSeedRow() {
  MakeSingleLineBox(addControl<QLineEdit>(Control::编辑框1, this, {5, 10, 120, 25}),
                    QStringLiteral("减肥"));
  auto* start = addControl<QPushButton>(Control::按钮1, this, {125, 10, 60, 25});
  MakeButton(start, QStringLiteral("开始采集"));
  connect(start, &QPushButton::clicked, this, &MainWindow::On按钮1Clicked);
  // The export button has no action.
  MakeButton(addControl<QPushButton>(Control::按钮2, this, {193, 10, 60, 25}),
             QStringLiteral("导出结果"));
  auto* clear = addControl<QPushButton>(Control::按钮_清空, this, {260, 10, 50, 25});
  MakeButton(clear, QStringLiteral("清空"));
  connect(clear, &QPushButton::clicked, this, &MainWindow::On按钮_清空Clicked);
}

void MainWindow::createResultsBox() {
  auto* results = addControl<QPlainTextEdit>(Control::编辑框2, this, {5, 40, 305, 384});
  MakeMultiLineBox(results);
  display_ = new DisplayPacer(this, results);  // owned by the window
}

void MainWindow::createSettings() {
  auto* frame = addControl<QGroupBox>(Control::分组框1, this, {314, 11, 264, 416});
  frame->setTitle(QStringLiteral("设置"));
  frame->setAlignment(Qt::AlignLeft);

  auto* mustContain = addControl<QCheckBox>(Control::选择框1, frame, {145, 18, 106, 32});
  mustContain->setText(QStringLiteral("关键词必须包含"));
  connect(mustContain, &QCheckBox::clicked, this, &MainWindow::On选择框1Clicked);

  auto* copy = addControl<QLineEdit>(Control::编辑框3, frame, {9, 24, 130, 20});
  MakeSingleLineBox(copy, QString());
  copy->setEnabled(false);

  // A child of the window although it lies inside the frame; made after the frame, so on top.
  auto* exclude = addControl<QCheckBox>(Control::选择框2, this, {328, 56, 200, 32});
  exclude->setText(QStringLiteral("过滤含有以下关键词[一行一个]"));
  connect(exclude, &QCheckBox::clicked, this, &MainWindow::On选择框2Clicked);

  MakeMultiLineBox(addControl<QPlainTextEdit>(Control::编辑框4, frame, {12, 80, 240, 320}));
}

void MainWindow::createStatusBar() {
  auto* bar = addControl<QStatusBar>(Control::状态条1, this, {0, 430, 579, 20});
  bar->setSizeGripEnabled(false);
  for (std::size_t i = 0; i < panes_.size(); ++i) {
    auto* pane = new QLabel(bar);
    pane->setTextFormat(Qt::PlainText);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panes_[i] = pane;
  }
  panes_[0]->setText(QStringLiteral("状态"));
  panes_[0]->setFixedWidth(kStatusPane0Width);
  bar->addWidget(panes_[0]);
  bar->addWidget(panes_[1], 1);  // the rest of the bar
}

void MainWindow::createKeyboard() {
  // A window shortcut, so it also works while a multi-line box has the focus.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void MainWindow::placeWindow() {
  QRect outer(QPoint(), kOuterSize);
  if (const QScreen* where = screen()) outer.moveCenter(where->availableGeometry().center());
  move(outer.topLeft());
}

void MainWindow::OnCreated() {
  Pane(1)->setText(QStringLiteral("等待操作开始..."));
  EnableControlTheme(2);
}

void MainWindow::On按钮1Clicked() {
  // Services of its own for each click: they see through to the window only while it lives.
  QtWindowServices services(*this);
  On按钮1Click(services);
}

void MainWindow::On按钮_清空Clicked() {
  static_cast<QPlainTextEdit*>(ControlWidget(Control::编辑框2))->clear();
}

// Changes the enabled state of the seed box, not of the copy box 编辑框3.
void MainWindow::On选择框1Clicked() {
  auto* seed = static_cast<QLineEdit*>(ControlWidget(Control::编辑框1));
  if (static_cast<QCheckBox*>(ControlWidget(Control::选择框1))->isChecked()) {
    static_cast<QLineEdit*>(ControlWidget(Control::编辑框3))->setText(seed->text());
    seed->setEnabled(true);
  } else {
    seed->setEnabled(false);
  }
}

void MainWindow::On选择框2Clicked() {
  const bool checked = static_cast<QCheckBox*>(ControlWidget(Control::选择框2))->isChecked();
  ControlWidget(Control::编辑框4)->setEnabled(checked);
}

}  // namespace korvelin
