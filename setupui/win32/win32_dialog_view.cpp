#include "win32_dialog_view.h"

#include <commctrl.h>

#include "win32_text.h"

namespace quarvel::win32 {

void Win32DialogView::Show(int id, bool visible) { ShowWindow(Item(id), visible ? SW_SHOW : SW_HIDE); }

void Win32DialogView::Enable(int id, bool enabled) { EnableWindow(Item(id), enabled ? TRUE : FALSE); }

void Win32DialogView::SetText(int id, std::string_view text) {
  SetWindowTextW(Item(id), Widen(text).c_str());
}

std::string Win32DialogView::Text(int id) {
  const HWND item = Item(id);
  const int length = GetWindowTextLengthW(item);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(item, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return Narrow(text);
}

void Win32DialogView::AddItem(int id, std::string_view text) {
  const std::wstring wide = Widen(text);
  SendMessageW(Item(id), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void Win32DialogView::Select(int id, int index) { SendMessageW(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

int Win32DialogView::Selection(int id) {
  const LRESULT selection = SendMessageW(Item(id), CB_GETCURSEL, 0, 0);
  return selection == CB_ERR ? -1 : static_cast<int>(selection);
}

void Win32DialogView::SetAddress(int id, const std::array<uint8_t, 4>& o) {
  SendMessageW(Item(id), IPM_SETADDRESS, 0, static_cast<LPARAM>(MAKEIPADDRESS(o[0], o[1], o[2], o[3])));
}

std::array<uint8_t, 4> Win32DialogView::Address(int id) {
  DWORD address = 0;  // blank fields read as 0
  SendMessageW(Item(id), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
  return {static_cast<uint8_t>(FIRST_IPADDRESS(address)), static_cast<uint8_t>(SECOND_IPADDRESS(address)),
          static_cast<uint8_t>(THIRD_IPADDRESS(address)), static_cast<uint8_t>(FOURTH_IPADDRESS(address))};
}

}  // namespace quarvel::win32
