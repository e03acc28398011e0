// A QDialog laid out from a dialog template: every control at its rectangle
// converted from dialog units with the template's font, in the template's tab
// order. Clicks and list choices are handed to the owner by control id. Each
// label is the buddy of the field on its row, gives it a mnemonic and names
// it for assistive technology ("Logical Name").
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <vector>

#include "dialog_template.h"

namespace quarvel::qt {

class TemplateDialog : public QDialog {
 public:
  TemplateDialog(const DialogTemplate& layout, QWidget* parent);

  QWidget* Control(int id) const;  // nullptr for an id the template lacks
  std::function<void(int id)> onClicked;          // a push button
  std::function<void(int id)> onSelectionChanged;  // a list, by the user
  std::function<bool()> mayClose = [] { return true; };  // Escape and the close box ask first

  void reject() override;

 private:
  void LinkLabels(const DialogTemplate& layout);

  std::map<int, QWidget*> controls_;
  std::vector<QWidget*> widgets_;  // one for each of the template's controls, in its order
};

}  // namespace quarvel::qt
