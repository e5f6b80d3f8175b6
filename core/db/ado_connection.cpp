#include "db/ado_connection.h"

#include "db/ado_dataset.h"
#include "db/connection_string.h"
#include "platform/text.h"

#include <algorithm>

namespace upd::db {

TADOConnection::TADOConnection(DbEngine& engine) : engine_(engine) {}

TADOConnection::~TADOConnection() {
    for (TCustomADODataSet* d : datasets_) {
        d->closeForConnection();
        d->connection_ = nullptr;  // a statement or table left behind can no longer open
    }
    if (!session_) return;
    try {
        session_->flush();
    } catch (const DbError&) {
        // The connection ends with its owner, the window closing or a step unwinding after
        // its own error: there is no one left to tell. The session drops the rows whole.
    }
    session_.reset();
}

void TADOConnection::SetConnectionString(const std::string& text) {
    if (Connected())
        throw DbError(DbErrc::ObjectOpen, "Операция не допускается, если объект открыт.");
    connectionString_ = text;
}

void TADOConnection::Open() {
    errors_.clear();
    try {
        ensureOpen();
    } catch (const DbError& e) {
        record(e);
        throw;
    }
}

void TADOConnection::ensureOpen() {
    if (session_) return;
    const auto params = parseConnectionString(connectionString_);
    if (!params)
        throw DbError(DbErrc::NotConnected, connectionString_.empty()
                                                ? "Не задана строка подключения."
                                                : "В строке подключения не указан источник данных (Data Source).");
    session_ = engine_.open(params->dataSource, params->password);
}

void TADOConnection::Close() {
    if (closing_) return;
    closing_ = true;
    for (TCustomADODataSet* d : datasets_) d->closeForConnection();
    closing_ = false;
    if (!session_) return;
    // The rows stored since the last commit become lasting here, where a failure can still
    // be reported; the session's end could only drop them. Closed either way.
    const std::unique_ptr<DbSession> session = std::move(session_);
    try {
        session->flush();
    } catch (const DbError& e) {
        errors_.clear();
        record(e);
        throw;
    }
}

std::vector<std::string> TADOConnection::GetTableNames(bool /*systemTables*/) {
    auto names = run([](DbSession& s) { return s.tableNames(); });
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return text::compareIgnoreCase(a, b) < 0;
    });
    return names;
}

void TADOConnection::attach(TCustomADODataSet* dataset) { datasets_.push_back(dataset); }

void TADOConnection::detach(TCustomADODataSet* dataset) {
    datasets_.erase(std::remove(datasets_.begin(), datasets_.end(), dataset), datasets_.end());
}

void TADOConnection::datasetClosed() {
    if (closing_ || !session_) return;
    session_->flush();  // the rows the object stored become lasting; a failure passes on
    if (KeepConnection) return;
    for (TCustomADODataSet* d : datasets_)
        if (d->Active()) return;
    session_.reset();
}

void TADOConnection::record(const DbError& e) {
    errors_.push_back(ProviderError{e.code(), e.nativeError(), e.description()});
}

} // namespace upd::db
