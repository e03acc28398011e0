#include "qt_dialog_view.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ip_address_edit.h"

namespace quarvel::qt {

QString ToQt(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

void QtDialogView::Show(int id, bool visible) {
  if (QWidget* w = dialog_.Control(id)) w->setVisible(visible);
}

void QtDialogView::Enable(int id, bool enabled) {
  if (QWidget* w = dialog_.Control(id)) w->setEnabled(enabled);
}

void QtDialogView::SetText(int id, std::string_view text) {
  QWidget* w = dialog_.Control(id);
  if (auto* button = qobject_cast<QPushButton*>(w)) button->setText(ToQt(text));
  else if (auto* group = qobject_cast<QGroupBox*>(w)) group->setTitle(ToQt(text));
  else if (auto* label = qobject_cast<QLabel*>(w)) label->setText(ToQt(text));
  else if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setText(ToQt(text));
  else if (auto* list = qobject_cast<QComboBox*>(w)) list->setEditText(ToQt(text));
}

std::string QtDialogView::Text(int id) {
  QWidget* w = dialog_.Control(id);
  QString text;
  if (auto* button = qobject_cast<QPushButton*>(w)) text = button->text();
  else if (auto* group = qobject_cast<QGroupBox*>(w)) text = group->title();
  else if (auto* label = qobject_cast<QLabel*>(w)) text = label->text();
  else if (auto* edit = qobject_cast<QLineEdit*>(w)) text = edit->text();
  else if (auto* list = qobject_cast<QComboBox*>(w)) text = list->currentText();
  return text.toStdString();
}

void QtDialogView::AddItem(int id, std::string_view text) {
  if (auto* list = qobject_cast<QComboBox*>(dialog_.Control(id))) list->addItem(ToQt(text));
}

void QtDialogView::Select(int id, int index) {
  auto* list = qobject_cast<QComboBox*>(dialog_.Control(id));
  if (list != nullptr) list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

// Text typed into a list's field that is not the chosen entry leaves the list
// with no selection, as a Win32 drop-down list does.
int QtDialogView::Selection(int id) {
  auto* list = qobject_cast<QComboBox*>(dialog_.Control(id));
  if (list == nullptr || list->currentIndex() < 0) return -1;
  if (list->isEditable() && list->currentText() != list->itemText(list->currentIndex())) return -1;
  return list->currentIndex();
}

void QtDialogView::SetAddress(int id, const std::array<uint8_t, 4>& octets) {
  if (auto* ip = dynamic_cast<IpAddressEdit*>(dialog_.Control(id))) ip->SetAddress(octets);
}

std::array<uint8_t, 4> QtDialogView::Address(int id) {
  auto* ip = dynamic_cast<IpAddressEdit*>(dialog_.Control(id));
  return ip != nullptr ? ip->Address() : std::array<uint8_t, 4>{};
}

}  // namespace quarvel::qt
