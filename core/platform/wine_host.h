// Under Wine, ODBC calls go to the host's driver manager and drivers (Wine's odbc32 hands
// them to unixODBC): such a driver opens host paths, and takes narrow text as the host's
// UTF-8. Elsewhere (Linux itself, and real Windows) there is no host to speak to.
#pragma once

#include <optional>
#include <string>

namespace upd::files {

// True when this Windows program runs under Wine.
bool underWine();

// The host's name of a path under Wine (drive letters and the prefix's drive_c resolved);
// nullopt elsewhere, and when Wine knows no host name for it.
std::optional<std::string> wineHostPath(const std::string& path);

} // namespace upd::files
