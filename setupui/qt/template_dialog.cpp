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

bool IsField(ControlKind kind) {
  return kind == ControlKind::Edit || kind == ControlKind::ComboBox || kind == ControlKind::IpAddress;
}

int ShownHeight(const TemplateControl& c) { return c.kind == ControlKind::ComboBox ? kClosedListHeight : c.height; }

// The field a label names: the nearest one to its right on its row.
const TemplateControl* FieldOfLabel(const DialogTemplate& layout, const TemplateControl& label) {
  const int middle = label.y + label.height / 2;
  const TemplateControl* best = nullptr;
  for (const TemplateControl& c : layout.controls) {
    if (!IsField(c.kind) || c.x < label.x + label.width / 2 || middle < c.y || middle > c.y + ShownHeight(c)) continue;
    if (best == nullptr || c.x < best->x) best = &c;
  }
  return best;
}

// "Logical Name : " names its field "Logical Name".
QString NameOfLabel(const QString& text) {
  QString name = text;
  name.remove(QLatin1Char('&'));
  name = name.trimmed();
  if (name.endsWith(QLatin1Char(':'))) name.chop(1);
  return name.trimmed();
}

// The label's text with a mnemonic on the first letter no other control of
// the dialog has: a word's initial if one is free, else any letter.
QString WithMnemonic(const QString& text, QString& taken) {
  std::vector<qsizetype> candidates;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i].isLetter() && (i == 0 || !text[i - 1].isLetter())) candidates.push_back(i);
  }
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i].isLetter()) candidates.push_back(i);
  }
  for (const qsizetype i : candidates) {
    const QChar letter = text[i].toLower();
    if (taken.contains(letter)) continue;
    taken += letter;
    return text.left(i) + QLatin1Char('&') + text.mid(i);
  }
  return text;
}

// The mnemonics the template's own texts carry ("E&xit").
QString TemplateMnemonics(const DialogTemplate& layout) {
  QString taken;
  for (const TemplateControl& c : layout.controls) {
    const QString text = QString::fromUtf8(c.text);
    const qsizetype amp = text.indexOf(QLatin1Char('&'));
    if (amp >= 0 && amp + 1 < text.size()) taken += text[amp + 1].toLower();
  }
  return taken;
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
    widgets_.push_back(widget);
    widget->setObjectName(QString::fromLatin1(c.name));
    widget->setGeometry(units.X(c.x), units.Y(c.y), units.X(c.width), units.Y(ShownHeight(c)));
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
  LinkLabels(layout);
}

// Each label becomes its field's buddy, with a mnemonic, and names the field
// for assistive technology and the tools that find fields by name.
void TemplateDialog::LinkLabels(const DialogTemplate& layout) {
  QString taken = TemplateMnemonics(layout);
  for (size_t k = 0; k < layout.controls.size(); ++k) {
    const TemplateControl& c = layout.controls[k];
    if (c.kind != ControlKind::LeftText && c.kind != ControlKind::RightText) continue;
    const TemplateControl* field = FieldOfLabel(layout, c);
    if (field == nullptr) continue;
    auto* label = static_cast<QLabel*>(widgets_[k]);
    QWidget* buddy = Control(field->id);
    const QString name = NameOfLabel(label->text());
    label->setBuddy(buddy);
    label->setText(WithMnemonic(label->text(), taken));
    if (auto* ip = dynamic_cast<IpAddressEdit*>(buddy)) {
      ip->SetAccessibleName(name);
      continue;
    }
    buddy->setAccessibleName(name);
    if (auto* list = qobject_cast<QComboBox*>(buddy); list != nullptr && list->lineEdit() != nullptr) {
      list->lineEdit()->setAccessibleName(name);
    }
  }
}

QWidget* TemplateDialog::Control(int id) const {
  const auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

void TemplateDialog::reject() {
  if (mayClose()) QDialog::reject();
}

}  // namespace quarvel::qt
