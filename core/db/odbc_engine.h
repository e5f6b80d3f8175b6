// The ODBC engine: databases reached through an ODBC driver. With Access's driver it opens
// the schools' .accdb files on Windows; with SQLite's driver it opens plain SQLite files,
// which lets the engine be tested where there is no Access.
#pragma once

#include "db/db_engine.h"

#include <memory>
#include <mutex>
#include <string>

namespace upd::db::odbc {

class OdbcHandle;

class OdbcEngine : public DbEngine {
public:
    explicit OdbcEngine(std::string driver);
    ~OdbcEngine() override;

    // Fails with FileNotFound when no file is at `path` (a driver may make one instead).
    std::unique_ptr<DbSession> open(const std::string& path, const std::string& password) override;
    const std::string& driver() const { return driver_; }

private:
    std::string driver_;
    std::mutex mutex_;
    // Made by the first open, so that a machine without a driver manager fails an open,
    // not the program's start.
    std::shared_ptr<OdbcHandle> environment_;
};

} // namespace upd::db::odbc
