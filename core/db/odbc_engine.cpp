#include "db/odbc_engine.h"

#include "db/odbc_connection_string.h"
#include "db/odbc_handle.h"
#include "db/odbc_session.h"
#include "platform/fs_path.h"
#include "platform/wine_host.h"

#include <cstring>
#include <filesystem>
#include <fstream>

namespace upd::db::odbc {

OdbcEngine::OdbcEngine(std::string driver) : driver_(std::move(driver)) {}

OdbcEngine::~OdbcEngine() = default;

std::unique_ptr<DbSession> OdbcEngine::open(const std::string& path, const std::string& password) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(files::pathOf(path), ec))
        throw DbError(DbErrc::FileNotFound, "Не удается найти файл '" + path + "'.");
    const Dialect dialect = dialectOf(driver_);
    // SQLite's driver opens any file and fails on the first read, or makes a database of an
    // empty one: only a SQLite file goes to it, as the SQLCipher engine tells the others.
    if (dialect == Dialect::Sqlite) {
        char header[16] = {0};
        std::ifstream in(files::pathOf(path), std::ios::binary);
        if (!in.read(header, sizeof header) || std::memcmp(header, "SQLite format 3", 16) != 0)
            throw DbError(DbErrc::NotADatabase, "Нераспознаваемый формат базы данных '" + path + "'.");
    }
    // Under Wine the driver is the host's: it opens the file under its host name.
    const std::optional<std::string> hostPath = files::wineHostPath(path);
    const std::optional<std::string> text = connectionString(driver_, hostPath ? *hostPath : path, password);
    if (!text)
        throw DbError(DbErrc::Unsupported,
                      "Драйвер ODBC '" + driver_ + "' не может открыть файл '" + path + "': путь содержит ';', '=' или скобки.");
    std::shared_ptr<OdbcHandle> environment;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!environment_) environment_ = std::make_shared<OdbcHandle>(OdbcHandle::environment());
        environment = environment_;
    }
    OdbcHandle connection(HandleType::Connection, *environment);
    connection.check(driverConnect(connection.get(), *text));
    connection.markConnected();
    return std::make_unique<OdbcSession>(std::move(environment), std::move(connection), dialect);
}

} // namespace upd::db::odbc
