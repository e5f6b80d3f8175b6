// Names Windows cannot hold. An archive extracts alike on every platform, so a name that
// one of them would refuse, alter or take for a device is refused everywhere.
#pragma once

#include <string_view>

namespace upd {

// Why `part`, one component of an entry name, cannot be a Windows file name, said of the
// whole name ("it holds a colon"); empty when it can. "." and ".." are the caller's business.
std::string_view unportableNamePart(std::string_view part);

} // namespace upd
