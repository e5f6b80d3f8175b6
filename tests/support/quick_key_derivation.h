// SQLCipher derives each database key in 64,000 rounds, once per file made or opened: most
// of the database tests' time, and none of them checks the round count. Programs that
// include this derive keys in a few rounds instead, for every connection of the process,
// the code under test's own included (it keys its connections with the password as ever;
// a wrong password still fails). Only for programs that share no encrypted file with
// another process, which would derive its keys in the default rounds.
#pragma once

#include <sqlite3.h>

namespace upd::testing {

inline const bool kQuickKeyDerivation = [] {
    sqlite3* db = nullptr;
    const bool ok = sqlite3_open(":memory:", &db) == SQLITE_OK &&
                    sqlite3_exec(db, "PRAGMA cipher_default_kdf_iter = 2", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}();

} // namespace upd::testing
