// The result and table objects' common part: a static cursor over rows read at once, the
// fields of the current row, and Locate. Locate answers from a hash of the searched columns
// built on first use and kept up to date by inserts, so a lookup per source row of a copy
// does not walk the target table.
#pragma once

#include "db/ado_connection.h"
#include "db/db_engine.h"
#include "db/variant.h"

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace upd::db {

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

struct TLocateOptions {
    bool loCaseInsensitive = false;
    bool loPartialKey = false;  // texts match when they begin with the value
};

class TCustomADODataSet;

// A column of the current row. References stay valid while the object stays open.
class TField {
public:
    TField(TCustomADODataSet& owner, size_t index) : owner_(&owner), index_(index) {}

    const std::string& FieldName() const;
    FieldType DataType() const;
    int Size() const;

    bool IsNull() const { return Value().isNull(); }
    Variant Value() const;
    int AsInteger() const { return Value().toInt(); }
    std::string AsString() const { return Value().toString(); }
    bool AsBoolean() const { return Value().toBool(); }
    double AsFloat() const { return Value().toDouble(); }

    // Only while the row is being inserted or edited; the value is converted to the
    // column's type at once (DbErrc::TypeMismatch when it cannot be).
    void SetValue(const Variant& value);
    void SetAsInteger(int value) { SetValue(Variant(value)); }
    void SetAsString(const std::string& value) { SetValue(Variant(value)); }
    void SetAsBoolean(bool value) { SetValue(Variant(value)); }
    void SetAsFloat(double value) { SetValue(Variant(value)); }
    void Clear() { SetValue(Variant()); }

private:
    TCustomADODataSet* owner_;
    size_t index_;
};

class TCustomADODataSet {
public:
    explicit TCustomADODataSet(TADOConnection& connection);
    virtual ~TCustomADODataSet();
    TCustomADODataSet(const TCustomADODataSet&) = delete;
    TCustomADODataSet& operator=(const TCustomADODataSet&) = delete;

    // The connection given at construction; NotConnected once it was destroyed.
    TADOConnection& Connection() const;

    bool Active() const { return state_ != TDataSetState::dsInactive; }
    void SetActive(bool value) { value ? Open() : Close(); }
    void Open();
    // Drops a row being inserted or edited.
    void Close();
    TDataSetState State() const { return state_; }

    // Moving stores a row being inserted or edited first.
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    int RecordCount() const { return static_cast<int>(rows_.rows.size()); }
    bool IsEmpty() const { return rows_.rows.empty(); }

    TField& FieldByName(const std::string& name);  // FieldNotFound when absent
    TField* FindField(const std::string& name);
    size_t FieldCount() const { return fields_.size(); }
    TField& Fields(size_t index) { return fields_.at(index); }
    // Column definitions in column order.
    const std::vector<FieldDef>& FieldDefs() const { return rows_.fields; }

    // Moves to the first row whose fields (names separated by ";") equal the values, one
    // per field in that order; the cursor stays where it was when none does.
    bool Locate(const std::string& keyFields, const std::vector<Variant>& keyValues, TLocateOptions options = {});
    bool Locate(const std::string& keyField, const Variant& keyValue, TLocateOptions options = {});

protected:
    virtual RowSet fetch(DbSession& session) = 0;
    virtual void checkCanOpen() const {}
    virtual std::string displayName() const = 0;

    void checkActive() const;
    void checkBrowseMode();
    void startInsert();
    void startEdit();
    void post();
    void cancel();

    // Table objects store rows; results of a statement are read-only.
    virtual bool editable() const { return false; }
    virtual std::pair<int64_t, std::vector<Variant>> storeNew(DbSession&, const Assignments&) { return {}; }
    virtual std::vector<Variant> storeChanged(DbSession&, int64_t, const Assignments&) { return {}; }

private:
    friend class TField;
    friend class TADOConnection;
    const Variant& currentValue(size_t index) const;
    void setValue(size_t index, const Variant& value);
    void closeForConnection();  // the connection closes: no call back into it
    void resetIndexes() { indexes_.clear(); }
    Variant keyValue(const Variant& value, size_t column) const;
    std::string rowKey(const std::vector<Variant>& row, const std::vector<size_t>& columns, bool fold) const;

    TADOConnection* connection_;
    TDataSetState state_ = TDataSetState::dsInactive;
    RowSet rows_;
    std::vector<TField> fields_;
    size_t current_ = 0;
    bool eof_ = true;
    bool bof_ = true;
    std::vector<Variant> buffer_;
    std::vector<bool> assigned_;

    struct LocateIndex {
        std::vector<size_t> columns;
        bool fold = false;
        std::unordered_map<std::string, size_t> firstRow;
    };
    std::map<std::string, LocateIndex> indexes_;
    std::string locateFields_;            // the fields the last Locate named,
    std::vector<size_t> locateColumns_;   // and their columns; empty until then
};

} // namespace upd::db
