// The DialogView of a real Win32 dialog: controls by id through their
// window messages. It only moves data; the behaviour is the presenters'.
#pragma once

#include <windows.h>

#include "dialog_view.h"

namespace quarvel::win32 {

class Win32DialogView : public DialogView {
 public:
  explicit Win32DialogView(HWND dialog) : dialog_(dialog) {}

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
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }
  HWND dialog_;
};

}  // namespace quarvel::win32
