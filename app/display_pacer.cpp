#include "app/display_pacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QWidget>

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

bool IsInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Drop:
    case QEvent::FocusIn:
      return true;
    default:
      return false;
  }
}

}  // namespace
// ---- end internal --------------------------------------------------------------------------

void AppendAtEnd(QPlainTextEdit* box, const QString& text) {
  QTextCursor caret = box->textCursor();
  caret.movePosition(QTextCursor::End);  // wherever the user left the caret or a selection
  // Switching undo off for the insertion keeps it out of the undo history (and empties that).
  QTextDocument* document = box->document();
  document->setUndoRedoEnabled(false);
  caret.insertText(text);
  document->setUndoRedoEnabled(true);
  box->setTextCursor(caret);
  box->ensureCursorVisible();
}

DisplayPacer::DisplayPacer(QWidget* window, QPlainTextEdit* resultsBox)
    : QObject(window), window_(window), resultsBox_(resultsBox) {
  QCoreApplication::instance()->installEventFilter(this);
}

void DisplayPacer::ProcessEvents() {
  const bool outer = !pacing_;
  pacing_ = true;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (outer) pacing_ = false;
  if (held_) {
    // Asked for again: the window's own request was taken from the queue, and the window does
    // not ask again until one has been delivered. Qt takes ownership of the event.
    held_ = false;
    QCoreApplication::postEvent(window_, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
  }
}

void DisplayPacer::Append(const QString& text) {
  if (!resultsBox_->isVisible()) {
    Flush();
    AppendAtEnd(resultsBox_, text);
    return;
  }
  if (pending_.isEmpty()) resultsBox_->viewport()->update();  // a repaint will put it in
  pending_ += text;
}

void DisplayPacer::Flush() {
  if (pending_.isEmpty()) return;
  AppendAtEnd(resultsBox_, pending_);
  pending_.clear();
}

bool DisplayPacer::IsInputForWindow(QObject* watched, const QEvent* event) const {
  if (!IsInput(event->type()) || !watched->isWidgetType()) return false;
  return static_cast<QWidget*>(watched)->window() == window_;
}

bool DisplayPacer::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::UpdateRequest) {
    const Clock::time_point now = Clock::now();
    if (pacing_ && now - lastPaint_ < kInterval) {
      held_ = true;
      return true;
    }
    lastPaint_ = now;
    Flush();  // into the box before it is painted
  } else if (!pending_.isEmpty() && IsInputForWindow(watched, event)) {
    Flush();
  }
  return false;
}

}  // namespace korvelin
