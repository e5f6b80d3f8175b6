// TADOTable: a whole table of the database, read at open (a static cursor), with new and
// changed rows stored one at a time. Post fills the auto-increment column from the database.
#pragma once

#include "db/ado_dataset.h"

#include <string>

namespace upd::db {

class TADOTable : public TCustomADODataSet {
public:
    explicit TADOTable(TADOConnection& connection, std::string name = "ADOTable")
        : TCustomADODataSet(connection), name_(std::move(name)) {}

    const std::string& TableName() const { return tableName_; }
    // Fails with ObjectOpen while the table is open.
    void SetTableName(const std::string& name);

    // A new row; its fields read null until set.
    void Insert() { startInsert(); }
    void Append() { startInsert(); }
    // Edits the current row; a table without rows starts a new row instead.
    void Edit() { startEdit(); }
    // Stores the new or edited row; does nothing when none is pending.
    void Post() { post(); }
    void Cancel() { cancel(); }

protected:
    RowSet fetch(DbSession& session) override { return session.openTable(tableName_); }
    void checkCanOpen() const override;
    std::string displayName() const override { return name_; }
    bool editable() const override { return true; }
    std::pair<int64_t, std::vector<Variant>> storeNew(DbSession& s, const Assignments& v) override {
        return s.insertRow(tableName_, v);
    }
    std::vector<Variant> storeChanged(DbSession& s, int64_t key, const Assignments& v) override {
        return s.updateRow(tableName_, key, v);
    }

private:
    std::string name_;
    std::string tableName_;
};

} // namespace upd::db
