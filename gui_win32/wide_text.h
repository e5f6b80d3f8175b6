// Texts cross into Win32 as UTF-16; the core's texts are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace upd::win32gui {

std::wstring wide(std::string_view utf8);
std::string narrow(std::wstring_view text);

} // namespace upd::win32gui
