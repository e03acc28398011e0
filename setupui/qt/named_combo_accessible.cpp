#include "named_combo_accessible.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace quarvel::qt {

namespace {

class NamedComboBoxAccessible : public QAccessibleWidget {
 public:
  explicit NamedComboBoxAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return Box()->accessibleName();
    if (t == QAccessible::Value) return Box()->currentText();
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = Box()->view()->isVisible();
    s.editable = Box()->isEditable();
    return s;
  }

  // The list first, then the text field of an editable drop-down, as Qt's own.
  int childCount() const override { return Box()->lineEdit() != nullptr ? 2 : 1; }
  QAccessibleInterface* child(int index) const override {
    if (index == 0) return QAccessible::queryAccessibleInterface(Box()->view());
    if (index == 1 && Box()->lineEdit() != nullptr) return QAccessible::queryAccessibleInterface(Box()->lineEdit());
    return nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child == nullptr) return -1;
    if (child->object() == Box()->view()) return 0;
    if (Box()->lineEdit() != nullptr && child->object() == Box()->lineEdit()) return 1;
    return -1;
  }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }

  QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
  void doAction(const QString& action) override {
    if (action != showMenuAction() && action != pressAction()) return;
    if (Box()->view()->isVisible()) Box()->hidePopup();
    else Box()->showPopup();
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QComboBox* Box() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* NamedComboBoxFactory(const QString& className, QObject* object) {
  auto* box = qobject_cast<QComboBox*>(object);
  if (className != QStringLiteral("QComboBox") || box == nullptr || box->accessibleName().isEmpty()) return nullptr;
  return new NamedComboBoxAccessible(box);
}

}  // namespace

void InstallNamedComboBoxAccessibility() { QAccessible::installFactory(NamedComboBoxFactory); }

}  // namespace quarvel::qt
