// The IP address field of the device dialog: four octet fields with dots,
// as the Win32 IP address control shows them; an empty field reads 0.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

class QLineEdit;

namespace quarvel::qt {

class IpAddressEdit : public QWidget {
 public:
  explicit IpAddressEdit(QWidget* parent);
  void SetAddress(const std::array<uint8_t, 4>& octets);
  std::array<uint8_t, 4> Address() const;
  QLineEdit* Field(int k) const { return fields_[static_cast<size_t>(k)]; }

 private:
  std::array<QLineEdit*, 4> fields_{};
};

}  // namespace quarvel::qt
