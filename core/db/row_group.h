// Rows stored one by one are committed in groups: one commit per row would wait for the disk
// each time. Both engines' sessions store their rows through this.
#pragma once

#include "db/db_error.h"

namespace upd::db {

// Stores one row with `store()` into the group `open()` makes sure is open, and commits the
// group with `flush()` once it holds `rowsPerCommit` rows. A refused row undoes only itself:
// the rows stored before it are committed, and the refusal is raised.
template <class Open, class Store, class Flush>
auto storeInGroup(int& pendingRows, int rowsPerCommit, Open&& open, Store&& store, Flush&& flush) -> decltype(store()) {
    open();
    try {
        auto stored = store();
        if (++pendingRows >= rowsPerCommit) flush();
        return stored;
    } catch (...) {
        try {
            flush();
        } catch (const DbError&) {
            // The refused row's error is the one to report; a group left open is committed
            // with the session's next operation or its close.
        }
        throw;
    }
}

} // namespace upd::db
