#define SQLITE_HAS_CODEC 1
#include "db/sqlite_engine.h"

#include "db/sqlite_handle.h"
#include "db/sqlite_session.h"
#include "db/sqlite_text_functions.h"
#include "db/sqlite_value_functions.h"
#include "platform/fs_path.h"
#include "platform/text.h"

#include <sqlite3.h>

#include <cstring>
#include <fstream>
#include <string_view>

namespace upd::db {

namespace sqlite {
namespace {

constexpr int kBusyTimeoutMs = 3000;

bool has(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

// --- opening ---

DbError fileNotFound(const std::string& path) {
    return DbError(DbErrc::FileNotFound, "Не удается найти файл '" + path + "'.");
}

DbError unrecognised(const std::string& path) {
    return DbError(DbErrc::NotADatabase, "Нераспознаваемый формат базы данных '" + path + "'.", SQLITE_NOTADB);
}

DbError wrongPassword() { return DbError(DbErrc::WrongPassword, "Недопустимый пароль.", SQLITE_NOTADB); }

DbHandle openHandle(const std::string& path, const std::string& password, int flags) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    DbHandle db(raw);
    if (rc != SQLITE_OK) {
        if ((rc & 0xFF) == SQLITE_CANTOPEN) throw fileNotFound(path);
        throwLastError(db.get(), rc);
    }
    if (!password.empty()) {
        const int krc = sqlite3_key(db.get(), password.data(), static_cast<int>(password.size()));
        if (krc != SQLITE_OK) throwLastError(db.get(), krc);
    }
    sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    sqlite3_extended_result_codes(db.get(), 1);
    registerAccessTextFunctions(db.get());
    registerAccessValueFunctions(db.get());
    return db;
}

// An encrypted database begins with 16 random bytes (its key's salt), so a file whose first
// bytes are another format's signature, or text, or zeros is no database of ours whatever
// the password: saying "wrong password" would send the user after the wrong fault. (A real
// Access file is one of them: this engine does not read that format.)
bool foreignHeader(const char (&h)[32]) {
    const std::string_view head(h, sizeof h);
    if (head.substr(4, 15) == "Standard Jet DB" || head.substr(4, 15) == "Standard ACE DB") return true;
    for (std::string_view magic : {std::string_view("PK\x03\x04", 4), std::string_view("%PDF"), std::string_view("MZ"),
                                   std::string_view("\xD0\xCF\x11\xE0", 4), std::string_view("\x89PNG"),
                                   std::string_view("\xFF\xD8\xFF"), std::string_view("{\\rtf")})
        if (head.substr(0, magic.size()) == magic) return true;
    bool allZero = true, allText = true;
    for (unsigned char c : head.substr(0, 16)) {
        allZero = allZero && c == 0;
        allText = allText && ((c >= 0x20 && c < 0x7F) || c == '\t' || c == '\n' || c == '\r');
    }
    return allZero || allText;
}

// Reads the schema: the first read that needs the key.
int probe(sqlite3* db) {
    return sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
}

} // namespace

FieldType classifyDeclaredType(const std::string& declaredType, bool rowAlias) {
    if (rowAlias) return FieldType::AutoInc;
    const std::string d = text::asciiUpper(declaredType);
    if (d.empty()) return FieldType::Unknown;
    if (has(d, "BIT") || has(d, "BOOL") || has(d, "YESNO") || has(d, "LOGICAL")) return FieldType::Boolean;
    if (has(d, "TINYINT") || d == "BYTE") return FieldType::Byte;
    if (has(d, "SMALLINT") || has(d, "SHORT")) return FieldType::SmallInt;
    if (has(d, "INT") || d == "LONG" || d == "COUNTER") return FieldType::Integer;
    if (has(d, "LONGTEXT") || has(d, "MEMO") || has(d, "CLOB") || d == "TEXT") return FieldType::Memo;
    if (has(d, "GUID")) return FieldType::Guid;
    if (has(d, "CHAR") || has(d, "TEXT") || has(d, "STRING")) return FieldType::String;
    if (has(d, "DATE") || has(d, "TIME")) return FieldType::DateTime;
    if (has(d, "CURRENCY") || has(d, "MONEY")) return FieldType::Currency;
    if (has(d, "REAL") || has(d, "FLOA") || has(d, "DOUB") || has(d, "DEC") || has(d, "NUMERIC")) return FieldType::Float;
    if (has(d, "BLOB") || has(d, "BINARY")) return FieldType::Blob;
    return FieldType::Unknown;
}

std::unique_ptr<DbSession> SqliteEngine::open(const std::string& path, const std::string& password) {
    const std::filesystem::path file = files::pathOf(path);
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(file, ec)) throw fileNotFound(path);
    const uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || size == 0 || size % 512 != 0) throw unrecognised(path);
    char header[32] = {0};
    std::ifstream in(file, std::ios::binary);
    if (!in) throw DbError(DbErrc::ReadOnly, "Нет доступа к файлу '" + path + "'.");
    if (!in.read(header, sizeof header)) throw unrecognised(path);
    in.close();
    const bool plain = std::memcmp(header, "SQLite format 3", 16) == 0;
    if (!plain && foreignHeader(header)) throw unrecognised(path);
    const int flags = SQLITE_OPEN_READWRITE;

    // A plain file opens whatever password is given, as the Access provider opens a
    // database without a password.
    DbHandle db = openHandle(path, plain ? std::string() : password, flags);
    const int rc = probe(db.get());
    if (rc == SQLITE_OK) return std::make_unique<SqliteSession>(std::move(db), path);
    const int primary = rc & 0xFF;
    if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT) {
        if (plain) throw unrecognised(path);
        throw wrongPassword();
    }
    throwLastError(db.get(), rc);
}

std::unique_ptr<DbSession> createDatabase(const std::string& path, const std::string& password) {
    std::error_code ec;
    if (std::filesystem::exists(files::pathOf(path), ec))
        throw DbError(DbErrc::Other, "Файл '" + path + "' уже существует.");
    DbHandle db = openHandle(path, password, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    exec(db.get(), "PRAGMA user_version = 1");  // writes the first page, so the file is a database at once
    return std::make_unique<SqliteSession>(std::move(db), path);
}

} // namespace sqlite
} // namespace upd::db