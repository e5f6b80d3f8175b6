// TADOQuery: a statement object. Its SQL text is changed through SQL (Clear, Add, SetText);
// any change first closes a result that is still open, as the existence probes expect.
#pragma once

#include "db/ado_dataset.h"

#include <string>

namespace upd::db {

class TADOQuery;

class TSQLText {
public:
    explicit TSQLText(TADOQuery& owner) : owner_(owner) {}
    void Clear();
    void Add(const std::string& line);
    void SetText(const std::string& text);
    const std::string& Text() const { return text_; }

private:
    TADOQuery& owner_;
    std::string text_;
};

class TADOQuery : public TCustomADODataSet {
public:
    explicit TADOQuery(TADOConnection& connection, std::string name = "ADOQuery")
        : TCustomADODataSet(connection), SQL(*this), name_(std::move(name)) {}

    TSQLText SQL;

    // Runs a statement that returns no rows; returns the number of rows it changed.
    int ExecSQL();

protected:
    RowSet fetch(DbSession& session) override;
    std::string displayName() const override { return name_; }

private:
    std::string name_;
};

} // namespace upd::db
