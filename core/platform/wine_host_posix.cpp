#include "platform/wine_host.h"

namespace upd::files {

bool underWine() { return false; }

std::optional<std::string> wineHostPath(const std::string&) { return std::nullopt; }

} // namespace upd::files
