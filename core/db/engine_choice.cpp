#include "db/engine_choice.h"

#include "db/odbc_connection_string.h"
#include "db/odbc_engine.h"
#include "db/sqlite_engine.h"
#include "platform/text.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

namespace upd::db {
namespace {

std::mutex& choiceMutex() {
    static std::mutex m;
    return m;
}
std::optional<EngineChoice>& currentChoice() {
    static std::optional<EngineChoice> choice;
    return choice;
}

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? text::trim(value) : std::string();
}

} // namespace

EngineChoice platformEngineChoice() {
#ifdef _WIN32
    return EngineChoice{EngineKind::Odbc, odbc::kAccessDriver};
#else
    return EngineChoice{EngineKind::SqlCipher, odbc::kAccessDriver};
#endif
}

std::optional<EngineKind> engineKindNamed(const std::string& name) {
    if (text::equalsIgnoreCase(name, "sqlcipher")) return EngineKind::SqlCipher;
    if (text::equalsIgnoreCase(name, "odbc")) return EngineKind::Odbc;
    return std::nullopt;
}

EngineChoice resolveEngineChoice(const std::string& engine, const std::string& driver) {
    EngineChoice choice = platformEngineChoice();
    const std::string engineName = !engine.empty() ? engine : environmentValue(kDbEngineVariable);
    const std::string driverName = !driver.empty() ? driver : environmentValue(kOdbcDriverVariable);
    if (!driverName.empty()) choice.odbcDriver = driverName;
    if (!engineName.empty()) {
        const std::optional<EngineKind> kind = engineKindNamed(engineName);
        if (!kind)
            throw DbError(DbErrc::Unsupported, "Неизвестный механизм баз данных '" + engineName + "' (sqlcipher или odbc).");
        choice.kind = *kind;
    }
    return choice;
}

void chooseEngine(const EngineChoice& choice) {
    std::lock_guard<std::mutex> lock(choiceMutex());
    currentChoice() = choice;
}

DbEngine& engineFor(const EngineChoice& choice) {
    static sqlite::SqliteEngine sqlcipher;
    if (choice.kind == EngineKind::SqlCipher) return sqlcipher;
    // One engine per driver, living as long as the process: connections hold on to it.
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<odbc::OdbcEngine>> engines;
    std::lock_guard<std::mutex> lock(mutex);
    auto& engine = engines[choice.odbcDriver];
    if (!engine) engine = std::make_unique<odbc::OdbcEngine>(choice.odbcDriver);
    return *engine;
}

DbEngine& defaultEngine() {
    EngineChoice choice;
    {
        std::lock_guard<std::mutex> lock(choiceMutex());
        if (!currentChoice()) {
            // An environment naming an unknown engine is reported by the front end that
            // reads it first; here it leaves the platform's default.
            try {
                currentChoice() = resolveEngineChoice("", "");
            } catch (const DbError&) {
                currentChoice() = platformEngineChoice();
            }
        }
        choice = *currentChoice();
    }
    return engineFor(choice);
}

} // namespace upd::db
