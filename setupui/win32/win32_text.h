// UTF-8 (the model's texts) to and from UTF-16 (the Windows controls').
#pragma once

#include <string>
#include <string_view>

namespace quarvel::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace quarvel::win32
