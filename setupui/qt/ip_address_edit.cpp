#include "ip_address_edit.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include "dialog_view.h"

namespace quarvel::qt {

namespace {

constexpr int kPartDigits = 3;
constexpr int kLastPart = 3;

QString DigitsOf(const QString& text) {
  QString digits;
  for (const QChar c : text) {
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9') && digits.size() < kPartDigits) digits += c;
  }
  return digits;
}

// The message for a part above 255, as the Windows control words it.
QString OutOfRangeMessage(int value) {
  return QStringLiteral("%1 is not a valid entry. Please specify a value between 0 and 255.").arg(value);
}

}  // namespace

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (size_t k = 0; k < fields_.size(); ++k) {
    if (k > 0) layout->addWidget(new QLabel(QStringLiteral("."), this));
    auto* field = new QLineEdit(this);
    field->setAlignment(Qt::AlignCenter);
    field->setFrame(false);
    field->installEventFilter(this);
    // textChanged rather than textEdited: text set through the accessibility
    // interface counts as typed too.
    connect(field, &QLineEdit::textChanged, this, [this, k] { OnTextChanged(static_cast<int>(k)); });
    layout->addWidget(field, 1);
    fields_[k] = field;
  }
  setFocusProxy(fields_[0]);
}

void IpAddressEdit::SetAccessibleName(const QString& name) {
  setAccessibleName(name);
  for (size_t k = 0; k < fields_.size(); ++k) {
    fields_[k]->setAccessibleName(name);
    fields_[k]->setAccessibleDescription(QStringLiteral("part %1 of 4").arg(k + 1));
  }
}

void IpAddressEdit::SetAddress(const std::array<uint8_t, 4>& octets) {
  changing_ = true;
  for (size_t k = 0; k < fields_.size(); ++k) fields_[k]->setText(QString::number(octets[k]));
  changing_ = false;
}

std::array<uint8_t, 4> IpAddressEdit::Address() const {
  std::array<uint8_t, 4> octets{};
  for (size_t k = 0; k < fields_.size(); ++k) {
    octets[k] = static_cast<uint8_t>(std::min(255, fields_[k]->text().toInt()));  // "" reads 0
  }
  return octets;
}

int IpAddressEdit::IndexOf(QObject* field) const {
  for (size_t k = 0; k < fields_.size(); ++k) {
    if (fields_[k] == field) return static_cast<int>(k);
  }
  return -1;
}

// Focuses part k with its text selected or the caret at one end.
void IpAddressEdit::MoveTo(int k, Caret caret) {
  QLineEdit* field = Field(k);
  field->setFocus(Qt::OtherFocusReason);
  if (caret == Caret::SelectAll) field->selectAll();
  else if (caret == Caret::AtEnd) field->end(false);
  else field->home(false);
}

// Sets a part above 255 to 255, where the technician sees it, then says why;
// the part keeps the focus, its text selected for another try.
bool IpAddressEdit::Refuse(int k, int value) {
  if (value <= 255) return false;
  changing_ = true;
  Field(k)->setText(QStringLiteral("255"));
  changing_ = false;
  MoveTo(k, Caret::SelectAll);
  QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kApplicationName), OutOfRangeMessage(value),
                  QMessageBox::Ok, window());
  box.exec();
  return true;
}

void IpAddressEdit::OnTextChanged(int k) {
  if (changing_) return;
  QLineEdit* field = Field(k);
  const QString text = field->text();
  if (text.contains(QLatin1Char('.'))) {
    // A dotted address pasted (or set by a tool): it fills this part and the next ones.
    const QStringList parts = text.split(QLatin1Char('.'));
    const int last = std::min(kLastPart, k + static_cast<int>(parts.size()) - 1);
    changing_ = true;
    for (int i = k; i <= last; ++i) Field(i)->setText(DigitsOf(parts[i - k]));
    changing_ = false;
    for (int i = k; i <= last; ++i) {
      if (Refuse(i, Field(i)->text().toInt())) return;
    }
    MoveTo(last, Caret::AtEnd);
    return;
  }
  const QString digits = DigitsOf(text);
  if (digits != text) {  // letters, or a fourth digit: refused where typed, the caret stays
    const int caret = field->cursorPosition() - static_cast<int>(text.size() - digits.size());
    changing_ = true;
    field->setText(digits);
    field->setCursorPosition(std::max(0, caret));
    changing_ = false;
    return;
  }
  if (Refuse(k, digits.toInt())) return;
  if (digits.size() == kPartDigits && field->cursorPosition() == kPartDigits && k < kLastPart) {
    MoveTo(k + 1, Caret::SelectAll);
  }
}

// "." (or a space) at the end of a part that has text moves on, as a third
// digit does; Backspace and Left at the start of a part go back, Right at
// its end goes on.
bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event) {
  const int k = IndexOf(watched);
  if (k >= 0 && event->type() == QEvent::FocusIn) {
    // A part reached by keyboard or by a tool's focus request has its text
    // selected, so typing replaces it; a click places the caret.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::OtherFocusReason || reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
        reason == Qt::ShortcutFocusReason) {
      Field(k)->selectAll();
    }
  }
  if (k < 0 || event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  QLineEdit* field = Field(k);
  const bool caretOnly = !field->hasSelectedText();
  const bool atStart = caretOnly && field->cursorPosition() == 0;
  const bool atEnd = caretOnly && field->cursorPosition() == field->text().size();
  if (key->text() == QStringLiteral(".") || key->text() == QStringLiteral(" ")) {
    if (atEnd && !field->text().isEmpty() && k < kLastPart) MoveTo(k + 1, Caret::SelectAll);
    return true;  // a dot is never part of a part
  }
  if ((key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Left) && atStart && k > 0) {
    MoveTo(k - 1, Caret::AtEnd);
    return true;
  }
  if (key->key() == Qt::Key_Right && atEnd && k < kLastPart) {
    MoveTo(k + 1, Caret::AtStart);
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace quarvel::qt
