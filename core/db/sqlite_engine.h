// The SQLCipher engine: an Access database of this platform is a SQLCipher file whose key is
// the database password; a database without a password is a plain SQLite file. Opening a
// plain file with a password opens it, as the Access provider does.
#pragma once

#include "db/db_engine.h"

#include <memory>
#include <string>

namespace upd::db::sqlite {

class SqliteEngine : public DbEngine {
public:
    std::unique_ptr<DbSession> open(const std::string& path, const std::string& password) override;
};

// A new, empty database file, encrypted when `password` is not empty. Fails with
// DbErrc::Other when the file exists already.
std::unique_ptr<DbSession> createDatabase(const std::string& path, const std::string& password);

// The column type a declared SQLite type stands for.
FieldType classifyDeclaredType(const std::string& declaredType, bool rowAlias);

} // namespace upd::db::sqlite
