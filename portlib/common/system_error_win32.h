// The system's text for a Windows error code (GetLastError, WSAGetLastError),
// without its line end; "error N" where the system has none.
#pragma once

#include <windows.h>

#include <string>

namespace portlink {

inline std::string SystemErrorText(DWORD code) {
  char text[256] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                 sizeof text, nullptr);
  std::string message(text, n);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message.empty() ? "error " + std::to_string(code) : message;
}

}  // namespace portlink
