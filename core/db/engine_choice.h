// Which engine the program's databases go through: the SQLCipher engine (SQLCipher files
// standing in for Access databases) or the ODBC engine with a named driver. Windows
// defaults to ODBC with Access's driver, other platforms to SQLCipher. The command line
// (--db-engine, --odbc-driver) or the environment (UPDATE_DB_ENGINE, UPDATE_ODBC_DRIVER)
// choose otherwise.
#pragma once

#include "db/db_engine.h"
#include "db/db_error.h"

#include <optional>
#include <string>

namespace upd::db {

enum class EngineKind { SqlCipher, Odbc };

struct EngineChoice {
    EngineKind kind = EngineKind::SqlCipher;
    std::string odbcDriver;  // the ODBC engine's driver
};

inline constexpr const char* kDbEngineVariable = "UPDATE_DB_ENGINE";
inline constexpr const char* kOdbcDriverVariable = "UPDATE_ODBC_DRIVER";

EngineChoice platformEngineChoice();

// "sqlcipher" or "odbc", letter case ignored; nullopt for anything else.
std::optional<EngineKind> engineKindNamed(const std::string& name);

// The choice from a named engine and driver (empty: not named), each falling back on the
// environment's value and then on the platform's default. The driver counts only for the
// ODBC engine. Fails with DbErrc::Unsupported on an engine name it does not know.
EngineChoice resolveEngineChoice(const std::string& engine, const std::string& driver);

// defaultEngine() gives the engine of this choice from now on. Without a call it follows
// the environment (resolveEngineChoice("", "")).
void chooseEngine(const EngineChoice& choice);

// The engine of the current choice, made once per choice and kept for the process.
DbEngine& engineFor(const EngineChoice& choice);

} // namespace upd::db
