// The DialogView seam over a TemplateDialog's widgets, by control id.
#pragma once

#include <QString>

#include "dialog_view.h"
#include "template_dialog.h"

namespace quarvel::qt {

// The model's UTF-8 text as Qt's.
QString ToQt(std::string_view text);

class QtDialogView : public DialogView {
 public:
  explicit QtDialogView(TemplateDialog& dialog) : dialog_(dialog) {}

  void Show(int id, bool visible) override;
  void Enable(int id, bool enabled) override;
  void SetText(int id, std::string_view text) override;
  std::string Text(int id) override;
  void AddItem(int id, std::string_view text) override;
  void Select(int id, int index) override;
  int Selection(int id) override;
  void SetAddress(int id, const std::array<uint8_t, 4>& octets) override;
  std::array<uint8_t, 4> Address(int id) override;

 private:
  TemplateDialog& dialog_;
};

}  // namespace quarvel::qt
