// TADOConnection: one database connection of the main window, as the steps drive it.
// The connection string names the file and its password; a connection whose string is set
// opens by itself when a statement or table is opened on it. Closing it closes every
// result and table open on it. With KeepConnection false it closes itself as soon as the
// last of them closes.
#pragma once

#include "db/db_engine.h"
#include "db/db_error.h"

#include <memory>
#include <string>
#include <vector>

namespace upd::db {

class TCustomADODataSet;

class TADOConnection {
public:
    explicit TADOConnection(DbEngine& engine = defaultEngine());
    ~TADOConnection();
    TADOConnection(const TADOConnection&) = delete;
    TADOConnection& operator=(const TADOConnection&) = delete;

    // Design-time settings. The login prompt never shows on this platform; the provider
    // text is kept for the record.
    std::string Provider = "Microsoft.ACE.OLEDB.12.0";
    bool LoginPrompt = true;
    bool KeepConnection = true;

    const std::string& ConnectionString() const { return connectionString_; }
    // Fails with ObjectOpen while the connection is open.
    void SetConnectionString(const std::string& text);

    bool Connected() const { return session_ != nullptr; }
    void SetConnected(bool value) { value ? Open() : Close(); }
    void Open();
    // Commits what the session still holds; a failed commit is raised (and listed in
    // Errors) after the connection has closed.
    void Close();

    // User tables and views of the open database, in case-insensitive name order.
    std::vector<std::string> GetTableNames(bool systemTables = false);

    // The provider's errors of the last failed operation, emptied by the next operation.
    const std::vector<ProviderError>& Errors() const { return errors_; }

    // For the statement and table objects: runs `work` on the open session, opening the
    // connection first when needed, and records a failure in Errors before passing it on.
    template <class Work>
    auto run(Work&& work) -> decltype(work(std::declval<DbSession&>())) {
        errors_.clear();
        try {
            ensureOpen();
            return work(*session_);
        } catch (const DbError& e) {
            record(e);
            throw;
        }
    }

private:
    friend class TCustomADODataSet;
    void attach(TCustomADODataSet* dataset);
    void detach(TCustomADODataSet* dataset);
    void datasetClosed();
    void ensureOpen();
    void record(const DbError& e);

    DbEngine& engine_;
    std::string connectionString_;
    std::unique_ptr<DbSession> session_;
    std::vector<ProviderError> errors_;
    std::vector<TCustomADODataSet*> datasets_;
    bool closing_ = false;
};

} // namespace upd::db
