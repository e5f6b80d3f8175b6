// Text in the Windows Cyrillic ANSI code page (1251), as removal lists without a
// byte-order mark are written.
#pragma once

#include <string>
#include <string_view>

namespace upd::maintenance {

// UTF-8 of a text in code page 1251. The one byte that the code page leaves undefined
// (0x98) stands for U+0098, as the platform's own conversion maps it.
std::string cp1251ToUtf8(std::string_view bytes);

} // namespace upd::maintenance
