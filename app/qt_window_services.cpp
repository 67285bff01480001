#include "app/qt_window_services.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>

#include "text/codepage.h"

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

// Code page 936 to UTF-16; a multi-line box takes "\n" where the harvest writes "\r\n".
QString ToWindowText(std::string_view gbk, bool multiLine) {
  const std::u16string utf16 = GbkToUtf16(gbk);
  QString text = QString::fromStdU16String(utf16);
  if (multiLine) text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

// UTF-16 to code page 936; the lines of a multi-line box are joined by "\r\n".
Text ToHarvestText(QString text, bool multiLine) {
  if (multiLine) text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return Utf16ToGbk(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                        static_cast<std::size_t>(text.size())));
}

}  // namespace
// ---- end internal --------------------------------------------------------------------------

Text QtWindowServices::ReadText(Control control) const {
  QWidget* widget = Widget(control);
  if (control == Control::编辑框2 && widget != nullptr) window_->Display().Flush();
  if (auto* box = qobject_cast<QPlainTextEdit*>(widget))
    return ToHarvestText(box->toPlainText(), true);
  if (auto* line = qobject_cast<QLineEdit*>(widget)) return ToHarvestText(line->text(), false);
  if (auto* button = qobject_cast<QPushButton*>(widget))
    return ToHarvestText(button->text(), false);
  return {};
}

void QtWindowServices::SetText(Control control, std::string_view text) {
  QWidget* widget = Widget(control);
  if (control == Control::编辑框2 && widget != nullptr) window_->Display().Flush();
  if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
    box->setPlainText(ToWindowText(text, true));
  } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    line->setText(ToWindowText(text, false));
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(ToWindowText(text, false));
  }
}

bool QtWindowServices::IsChecked(Control control) const {
  auto* box = qobject_cast<QCheckBox*>(Widget(control));
  return box != nullptr && box->isChecked();
}

void QtWindowServices::SetDisabled(Control control, bool disabled) {
  if (QWidget* widget = Widget(control)) widget->setEnabled(!disabled);
}

void QtWindowServices::AppendText(Control control, std::string_view text) {
  QWidget* widget = Widget(control);
  if (control == Control::编辑框2 && widget != nullptr) {
    window_->Display().Append(ToWindowText(text, true));
  } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
    AppendAtEnd(box, ToWindowText(text, true));
  } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    line->setText(line->text() + ToWindowText(text, false));
  }
}

void QtWindowServices::SetPaneText(Control control, int pane, std::string_view text) {
  if (control != Control::状态条1 || Widget(control) == nullptr) return;
  if (QLabel* label = window_->Pane(pane)) label->setText(ToWindowText(text, false));
}

void QtWindowServices::ProcessPendingEvents() {
  if (WindowClosed()) return;
  window_->Display().ProcessEvents();
}

bool QtWindowServices::WindowClosed() const { return window_.isNull() || window_->Closed(); }

QWidget* QtWindowServices::Widget(Control control) const {
  return WindowClosed() ? nullptr : window_->ControlWidget(control);
}

}  // namespace korvelin
