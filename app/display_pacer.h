// Keeps what a running harvest shows cheap: the window's repaints are paced, and lines
// appended to the results box are put in together.
//
// A harvest dispatches the pending events before every candidate and appends a line for most of
// them. Repainting the whole box each time, or laying out and scrolling it for every single
// line, would cost more than everything else the harvest does between two requests. So:
//   - While ProcessEvents runs, a repaint of the window that comes sooner than kInterval after
//     the one before is held back and asked for again: it happens at the next call that is due
//     or, at the latest, once control is back in the event loop. Every other event is
//     dispatched at once, as QCoreApplication::processEvents does.
//   - Append keeps the text until the window next repaints, or until any input reaches the
//     window (so a click on the clear button, a selection or a key press always meets every
//     line appended before it), or until Flush. A box that is not shown takes it at once.
#pragma once

#include <QObject>
#include <QString>
#include <chrono>

class QPlainTextEdit;
class QWidget;

namespace korvelin {

// What Append does, at once: `text` at the end of `box` whatever the caret or selection, the
// box scrolled there, the insertion kept out of the undo history.
void AppendAtEnd(QPlainTextEdit* box, const QString& text);

class DisplayPacer final : public QObject {
 public:
  // At most one repaint of the window within this time while events are processed from
  // inside a handler: ten a second, smooth enough for a growing list, and input is never held.
  static constexpr std::chrono::milliseconds kInterval{100};

  // Watches `window`, a top-level widget that owns the pacer, and its results box.
  DisplayPacer(QWidget* window, QPlainTextEdit* resultsBox);

  // Dispatches the events that are waiting, without blocking; calls may nest.
  void ProcessEvents();

  // Appends `text` at the end of the results box, wherever the user has put the caret or a
  // selection, scrolls there, and keeps it out of the undo history; see above for when.
  void Append(const QString& text);

  // Puts every appended line into the results box now.
  void Flush();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using Clock = std::chrono::steady_clock;

  bool IsInputForWindow(QObject* watched, const QEvent* event) const;

  QWidget* window_;
  QPlainTextEdit* resultsBox_;
  QString pending_;  // appended, not yet in the box
  Clock::time_point lastPaint_{};
  bool pacing_ = false;  // inside ProcessEvents
  bool held_ = false;    // a repaint was held back and is still owed
};

}  // namespace korvelin
