#include "archive/archive_lock.h"

namespace upd {

std::recursive_mutex& archiveProcessLock() {
    static std::recursive_mutex lock;
    return lock;
}

} // namespace upd
