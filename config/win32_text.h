// UTF-8 (the model's texts and paths) to and from UTF-16 (the Windows APIs').
#pragma once

#include <string>
#include <string_view>

namespace quarvel::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace quarvel::win32
