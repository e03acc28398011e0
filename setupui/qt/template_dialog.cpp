#include "template_dialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <vector>

#include "ip_address_edit.h"

namespace quarvel::qt {

namespace {

// Dialog units from the font as Windows derives them: a horizontal unit is a
// quarter of the average width of the alphabet, a vertical one an eighth of
// the font's height.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = (alphabet / 26 + 1) / 2;
    baseY_ = metrics.height();
  }
  int X(int units) const { return (units * baseX_ + 2) / 4; }
  int Y(int units) const { return (units * baseY_ + 4) / 8; }

 private:
  int baseX_ = 6, baseY_ = 13;
};

constexpr int kClosedListHeight = 12;  // a drop-down list's field; the template's height includes the list

QWidget* MakeControl(const TemplateControl& c, QWidget* parent) {
  const QString text = QString::fromUtf8(c.text);
  switch (c.kind) {
    case ControlKind::DefaultButton:
    case ControlKind::Button: {
      auto* button = new QPushButton(text, parent);
      button->setDefault(c.kind == ControlKind::DefaultButton);
      return button;
    }
    case ControlKind::GroupBox: return new QGroupBox(text, parent);
    case ControlKind::RightText:
    case ControlKind::LeftText: {
      auto* label = new QLabel(text, parent);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment((c.kind == ControlKind::RightText ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
      return label;
    }
    case ControlKind::Edit: {
      auto* edit = new QLineEdit(parent);
      if (c.styles & kStyle_ES_RIGHT) edit->setAlignment(Qt::AlignRight);
      return edit;
    }
    case ControlKind::ComboBox: {
      auto* list = new QComboBox(parent);
      list->setEditable((c.styles & kStyle_CBS_DROPDOWN) != 0);
      list->setInsertPolicy(QComboBox::NoInsert);
      return list;
    }
    case ControlKind::IpAddress: return new IpAddressEdit(parent);
    case ControlKind::Icon: {
      auto* icon = new QLabel(parent);
      icon->setPixmap(QPixmap(QStringLiteral(":/quarvel.png")));
      return icon;
    }
  }
  return nullptr;
}

}  // namespace

TemplateDialog::TemplateDialog(const DialogTemplate& layout, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8(layout.caption));
  // Widgets are named after the template's symbols, for tools and tests that find them.
  setObjectName(QString::fromLatin1(layout.name));
  QFont font(QString::fromUtf8(layout.fontFace), layout.pointSize);
  setFont(font);
  const DialogUnits units(font);
  setFixedSize(units.X(layout.width), units.Y(layout.height));

  QWidget* previous = nullptr;
  std::vector<QWidget*> groups;
  for (const TemplateControl& c : layout.controls) {
    QWidget* widget = MakeControl(c, this);
    widget->setObjectName(QString::fromLatin1(c.name));
    const int height = c.kind == ControlKind::ComboBox ? kClosedListHeight : c.height;
    widget->setGeometry(units.X(c.x), units.Y(c.y), units.X(c.width), units.Y(height));
    if (c.id != -1) controls_[c.id] = widget;
    if (c.kind == ControlKind::GroupBox) groups.push_back(widget);

    if (auto* button = qobject_cast<QPushButton*>(widget)) {
      connect(button, &QPushButton::clicked, this, [this, id = c.id] {
        if (onClicked) onClicked(id);
      });
    } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
      connect(list, &QComboBox::activated, this, [this, id = c.id] {
        if (onSelectionChanged) onSelectionChanged(id);
      });
    }
    // The template's order is the tab order.
    QWidget* first = widget;
    QWidget* last = widget;
    if (auto* ip = dynamic_cast<IpAddressEdit*>(widget)) {
      for (int k = 0; k < 3; ++k) setTabOrder(ip->Field(k), ip->Field(k + 1));
      first = ip->Field(0);
      last = ip->Field(3);
    }
    if (first->focusPolicy() & Qt::TabFocus) {
      if (previous != nullptr) setTabOrder(previous, first);
      previous = last;
    }
  }
  for (QWidget* group : groups) group->lower();  // frames behind the controls, as Win32 paints them
}

QWidget* TemplateDialog::Control(int id) const {
  const auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

void TemplateDialog::reject() {
  if (mayClose()) QDialog::reject();
}

}  // namespace quarvel::qt
