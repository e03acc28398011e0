#include "ip_address_edit.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>

namespace quarvel::qt {

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (size_t k = 0; k < fields_.size(); ++k) {
    if (k > 0) layout->addWidget(new QLabel(QStringLiteral("."), this));
    auto* field = new QLineEdit(this);
    field->setMaxLength(3);
    field->setValidator(new QIntValidator(0, 255, field));
    field->setAlignment(Qt::AlignCenter);
    field->setFrame(false);
    layout->addWidget(field, 1);
    fields_[k] = field;
  }
  // A full octet moves on to the next field, as the Win32 control does.
  for (size_t k = 0; k + 1 < fields_.size(); ++k) {
    QLineEdit* next = fields_[k + 1];
    connect(fields_[k], &QLineEdit::textEdited, next, [next, field = fields_[k]](const QString& text) {
      if (text.size() == field->maxLength()) next->setFocus();
    });
  }
  setFocusProxy(fields_[0]);
}

void IpAddressEdit::SetAddress(const std::array<uint8_t, 4>& octets) {
  for (size_t k = 0; k < fields_.size(); ++k) fields_[k]->setText(QString::number(octets[k]));
}

std::array<uint8_t, 4> IpAddressEdit::Address() const {
  std::array<uint8_t, 4> octets{};
  for (size_t k = 0; k < fields_.size(); ++k) {
    octets[k] = static_cast<uint8_t>(std::min(255, fields_[k]->text().toInt()));  // "" reads 0
  }
  return octets;
}

}  // namespace quarvel::qt
