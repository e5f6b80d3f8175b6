// Name masks of the selection: "*" any run (separators included), "?" one character,
// letters A-Z equal to a-z and no other folding; "*.*" means "*"; a mask ending with "."
// asks for names without extension.
#pragma once

#include <string_view>

namespace upd {

bool matchesMask(std::string_view name, std::string_view mask);

} // namespace upd
