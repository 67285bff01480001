// The window services over the Qt main window, and the one place where texts change encoding:
// the harvest's code page 936 with "\r\n" line breaks becomes Qt's UTF-16 with "\n", and back.
//
// The services follow the window through a guarded pointer: once it is closed (or gone), every
// service does nothing, queries give the empty text or false, and WindowClosed() is true.
#pragma once

#include <QPointer>

#include "app/main_window.h"
#include "harvest/window_services.h"

namespace korvelin {

class QtWindowServices final : public WindowServices {
 public:
  explicit QtWindowServices(MainWindow& window) : window_(&window) {}

  [[nodiscard]] Text ReadText(Control control) const override;
  void SetText(Control control, std::string_view text) override;
  [[nodiscard]] bool IsChecked(Control control) const override;
  void SetDisabled(Control control, bool disabled) override;
  void AppendText(Control control, std::string_view text) override;
  void SetPaneText(Control control, int pane, std::string_view text) override;
  // Dispatches what is waiting in Qt's queues (a close and a quit included) and returns.
  void ProcessPendingEvents() override;
  [[nodiscard]] bool WindowClosed() const override;

 private:
  // The control's widget while the window is open, else nullptr.
  [[nodiscard]] QWidget* Widget(Control control) const;

  QPointer<MainWindow> window_;
};

}  // namespace korvelin
