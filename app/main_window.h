// The program's one window: eleven controls at fixed places in a window of fixed size, the
// window's own small handlers, and the start button bound to the harvest.
//
// Every control's object name is its name in the window design ("编辑框1", "按钮1", ...).
// Closing the window only hides it and records that it was closed: the window is never
// deleted under a handler that is still running (a harvest may be in progress when the close
// arrives inside one of its ProcessPendingEvents calls).
#pragma once

#include <QWidget>
#include <array>

#include "app/display_pacer.h"
#include "harvest/window_services.h"

class QCloseEvent;
class QShowEvent;
class QLabel;
class QRect;

namespace korvelin {

class MainWindow final : public QWidget {
 public:
  // Builds the window, hidden and centred on the screen, and runs its created handler.
  explicit MainWindow(QWidget* parent = nullptr);

  // The widget of a control: QLineEdit (编辑框1, 编辑框3), QPushButton, QPlainTextEdit
  // (编辑框2, 编辑框4), QGroupBox, QCheckBox or QStatusBar (状态条1).
  [[nodiscard]] QWidget* ControlWidget(Control control) const;
  // Pane 0 or 1 of the status bar; nullptr for any other index.
  [[nodiscard]] QLabel* Pane(int pane) const;
  // True once the window has been closed; it stays true.
  [[nodiscard]] bool Closed() const { return closed_; }
  // Paces what a running harvest shows: repaints, and lines appended to the results box.
  [[nodiscard]] DisplayPacer& Display() { return *display_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void createSeedRow();
  void createResultsBox();
  void createSettings();
  void createStatusBar();
  void createKeyboard();
  void placeWindow();

  template <typename Widget>
  Widget* addControl(Control control, QWidget* parent, const QRect& geometry);

  void OnCreated();
  void On按钮1Clicked();
  void On按钮_清空Clicked();
  void On选择框1Clicked();
  void On选择框2Clicked();

  std::array<QWidget*, kControlCount> controls_{};
  std::array<QLabel*, 2> panes_{};
  DisplayPacer* display_ = nullptr;  // owned by the window
  bool closed_ = false;
};

}  // namespace korvelin
