// Test helper for the Qt window: what a control shows.
#pragma once

#include <QAbstractButton>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace korvelin::testing {

// The text, caption or title a control shows.
inline QString TextOf(const QWidget* widget) {
  if (auto* line = qobject_cast<const QLineEdit*>(widget)) return line->text();
  if (auto* box = qobject_cast<const QPlainTextEdit*>(widget)) return box->toPlainText();
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (auto* frame = qobject_cast<const QGroupBox*>(widget)) return frame->title();
  return {};
}

}  // namespace korvelin::testing
