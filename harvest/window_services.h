// What the harvest needs of the main window, and all it may touch of it.
//
// Texts cross this boundary as code page 936 bytes with "\r\n" line breaks, whatever the window
// itself speaks; the implementation converts. A service that names a control of the wrong kind
// does nothing, and a query of that kind gives the empty text or false.
//
// Once the window has been closed it is gone for good: WindowClosed() turns true and stays
// true, and a caller is to touch the window no more (the implementation also makes every other
// service do nothing from then on).
#pragma once

#include <string_view>

#include "text/text_primitives.h"

namespace korvelin {

// The controls of the main window, by their names in the window design.
enum class Control {
  编辑框1,    // seed box, single line; also the must-contain text
  按钮1,      // start and stop; its caption is the run/stop flag
  按钮2,      // export button without a function
  按钮_清空,  // clears the results box
  编辑框2,    // results box, multi-line
  分组框1,    // frame of the settings
  选择框1,    // must-contain rule on or off
  编辑框3,    // copy of the must-contain text, never read
  选择框2,    // exclusion list on or off
  编辑框4,    // exclusion list, multi-line, one entry per line
  状态条1,    // status bar with two panes
};
inline constexpr int kControlCount = 11;

class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // The text of an edit box (a multi-line box gives its lines joined by "\r\n"; a disabled box
  // still gives its text) or the caption of a push button.
  [[nodiscard]] virtual Text ReadText(Control control) const = 0;
  // Replaces the whole text of an edit box or the caption of a push button.
  virtual void SetText(Control control, std::string_view text) = 0;
  // Whether the check mark of a check box is set.
  [[nodiscard]] virtual bool IsChecked(Control control) const = 0;
  // True greys any control out so that it takes no input; false enables it.
  virtual void SetDisabled(Control control, bool disabled) = 0;
  // Puts `text` at the end of an edit box, wherever the user left the caret or a selection,
  // and scrolls there; not recorded for undo. "word\r\n" adds exactly one line.
  virtual void AppendText(Control control, std::string_view text) = 0;
  // Sets the text of pane `pane` (from 0) of the status bar; an index outside its two panes
  // does nothing.
  virtual void SetPaneText(Control control, int pane, std::string_view text) = 0;
  // Dispatches the events that are waiting, without blocking, and returns when none is left.
  // Handlers they trigger (a click on 按钮1 included) run inside this call, to completion.
  virtual void ProcessPendingEvents() = 0;
  // True once the window has been closed.
  [[nodiscard]] virtual bool WindowClosed() const = 0;
};

}  // namespace korvelin
