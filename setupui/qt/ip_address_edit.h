// The IP address field of the device dialog: four parts with dots, typed as
// the Windows address control is. A part reached by keyboard (or a tool's
// focus request) has its text selected; a third digit or "." moves on to the
// next part with its text selected, Backspace at the start of a part goes back,
// a pasted dotted address fills the parts from this one on, and a part above
// 255 is refused at once (a message, then 255 in the part). An empty part
// reads 0.
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
  // Names the whole field and each part for assistive technology.
  void SetAccessibleName(const QString& name);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class Caret { SelectAll, AtEnd, AtStart };
  int IndexOf(QObject* field) const;
  void OnTextChanged(int k);
  void MoveTo(int k, Caret caret);
  bool Refuse(int k, int value);

  std::array<QLineEdit*, 4> fields_{};
  bool changing_ = false;  // our own changes to the parts' texts are no input
};

}  // namespace quarvel::qt
