// The one lock that serialises the processing operations of every archiver in the process.
#pragma once

#include <mutex>

namespace upd {

std::recursive_mutex& archiveProcessLock();

} // namespace upd
