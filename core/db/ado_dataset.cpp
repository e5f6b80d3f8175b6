#include "db/ado_dataset.h"

#include "db/db_error.h"
#include "platform/text.h"

#include <cmath>
#include <cstdio>

namespace upd::db {
namespace {

using text::trim;

// One comparable key per value: equal numbers give equal keys whatever their kind. Each
// value is its length, a colon, a letter for its kind and its text, written straight into
// the key: the keys are made once per row of a table.
void appendKey(std::string& out, const Variant& v, bool foldText) {
    const size_t start = out.size();
    switch (v.kind()) {
    case ValueKind::Null: out += 'N'; break;
    case ValueKind::Integer:
    case ValueKind::Boolean: out += 'I'; out += std::to_string(v.toInt64()); break;
    case ValueKind::Float: {
        const double d = v.toDouble();
        if (std::floor(d) == d && std::fabs(d) < 9e15) {
            out += 'I';
            out += std::to_string(static_cast<long long>(d));
        } else {
            char buf[40];
            std::snprintf(buf, sizeof buf, "F%.17g", d);
            out += buf;
        }
        break;
    }
    case ValueKind::Text:
        out += 'T';
        if (foldText)
            text::appendFoldedCase(out, v.text());
        else
            out += v.text();
        break;
    case ValueKind::Blob: out += 'B'; out += v.text(); break;
    }
    out.insert(start, std::to_string(out.size() - start) + ':');
}

std::string valuesKey(const std::vector<Variant>& values, bool foldText) {
    std::string key;
    for (const Variant& v : values) appendKey(key, v, foldText);
    return key;
}

} // namespace

// --- TField ---

const std::string& TField::FieldName() const { return owner_->rows_.fields.at(index_).Name; }
FieldType TField::DataType() const { return owner_->rows_.fields.at(index_).DataType; }
int TField::Size() const { return owner_->rows_.fields.at(index_).Size; }
Variant TField::Value() const { return owner_->currentValue(index_); }
void TField::SetValue(const Variant& value) { owner_->setValue(index_, value); }

// --- TCustomADODataSet ---

TCustomADODataSet::TCustomADODataSet(TADOConnection& connection) : connection_(&connection) {
    connection_->attach(this);
}

TCustomADODataSet::~TCustomADODataSet() {
    if (!connection_) return;
    const bool wasActive = Active();
    closeForConnection();
    connection_->detach(this);
    if (!wasActive) return;
    try {
        connection_->datasetClosed();
    } catch (const DbError&) {
        // Nothing to report to from a destructor; the rows stay in the session's open group,
        // and the connection's Close commits them again and reports a failure.
    }
}

TADOConnection& TCustomADODataSet::Connection() const {
    if (!connection_) throw DbError(DbErrc::NotConnected, displayName() + ": нет соединения с базой данных.");
    return *connection_;
}

void TCustomADODataSet::Open() {
    if (Active()) return;
    Connection();
    checkCanOpen();
    RowSet rows = connection_->run([this](DbSession& s) { return fetch(s); });
    rows_ = std::move(rows);
    fields_.clear();
    fields_.reserve(rows_.fields.size());
    for (size_t i = 0; i < rows_.fields.size(); ++i) fields_.emplace_back(*this, i);
    indexes_.clear();
    locateColumns_.clear();
    current_ = 0;
    eof_ = bof_ = true;
    eof_ = rows_.rows.empty();
    state_ = TDataSetState::dsBrowse;
}

void TCustomADODataSet::Close() {
    if (!Active()) return;
    closeForConnection();
    connection_->datasetClosed();
}

void TCustomADODataSet::closeForConnection() {
    state_ = TDataSetState::dsInactive;
    rows_ = RowSet{};
    fields_.clear();
    indexes_.clear();
    locateColumns_.clear();
    buffer_.clear();
    assigned_.clear();
    current_ = 0;
    eof_ = bof_ = true;
}

void TCustomADODataSet::checkActive() const {
    if (!Active())
        throw DbError(DbErrc::NotConnected, displayName() + ": операция не может быть выполнена с закрытым набором данных.");
}

void TCustomADODataSet::checkBrowseMode() {
    checkActive();
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) post();
}

void TCustomADODataSet::First() {
    checkBrowseMode();
    current_ = 0;
    eof_ = rows_.rows.empty();
    bof_ = true;
}

void TCustomADODataSet::Last() {
    checkBrowseMode();
    current_ = rows_.rows.empty() ? 0 : rows_.rows.size() - 1;
    eof_ = true;
    bof_ = rows_.rows.empty();
}

void TCustomADODataSet::Next() {
    checkBrowseMode();
    if (current_ + 1 < rows_.rows.size()) {
        ++current_;
        bof_ = false;
    } else {
        eof_ = true;
    }
}

void TCustomADODataSet::Prior() {
    checkBrowseMode();
    if (current_ > 0 && !rows_.rows.empty()) {
        --current_;
        eof_ = false;
    } else {
        bof_ = true;
    }
}

TField* TCustomADODataSet::FindField(const std::string& name) {
    for (TField& f : fields_)
        if (text::equalsIgnoreCase(f.FieldName(), name)) return &f;
    // "table.column" picks a column of a join by its table.
    const size_t dot = name.find('.');
    if (dot != std::string::npos) {
        const std::string table = name.substr(0, dot), column = name.substr(dot + 1);
        for (TField& f : fields_) {
            const FieldDef& def = rows_.fields[&f - fields_.data()];
            if (text::equalsIgnoreCase(def.TableName, table) && text::equalsIgnoreCase(def.Name, column)) return &f;
        }
    }
    return nullptr;
}

TField& TCustomADODataSet::FieldByName(const std::string& name) {
    checkActive();
    if (TField* f = FindField(name)) return *f;
    throw DbError(DbErrc::FieldNotFound, displayName() + ": поле '" + name + "' не найдено.");
}

const Variant& TCustomADODataSet::currentValue(size_t index) const {
    static const Variant null;
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) return buffer_.at(index);
    if (rows_.rows.empty()) return null;
    return rows_.rows[current_].at(index);
}

void TCustomADODataSet::setValue(size_t index, const Variant& value) {
    const FieldDef& def = rows_.fields.at(index);
    if (!editable() || def.DataType == FieldType::AutoInc)
        throw DbError(DbErrc::ReadOnlyField, "Поле '" + def.Name + "' не может быть изменено.");
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert)
        throw DbError(DbErrc::NotEditing, displayName() + ": набор данных не находится в режиме вставки или редактирования.");
    Variant stored = coerceToField(value, def.DataType);
    checkTextLength(stored, def);
    buffer_.at(index) = std::move(stored);
    assigned_.at(index) = true;
}

void TCustomADODataSet::startInsert() {
    checkBrowseMode();
    buffer_.assign(rows_.fields.size(), Variant());
    assigned_.assign(rows_.fields.size(), false);
    state_ = TDataSetState::dsInsert;
}

void TCustomADODataSet::startEdit() {
    checkActive();
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) return;
    if (rows_.rows.empty()) return startInsert();
    buffer_ = rows_.rows[current_];
    assigned_.assign(rows_.fields.size(), false);
    state_ = TDataSetState::dsEdit;
}

void TCustomADODataSet::post() {
    checkActive();
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
    Assignments values;
    for (size_t i = 0; i < buffer_.size(); ++i)
        if (assigned_[i]) values.emplace_back(rows_.fields[i].Name, buffer_[i]);
    if (state_ == TDataSetState::dsInsert) {
        auto [key, row] = connection_->run([&](DbSession& s) { return storeNew(s, values); });
        rows_.rows.push_back(std::move(row));
        rows_.keys.push_back(key);
        current_ = rows_.rows.size() - 1;
        for (auto& [name, index] : indexes_)
            index.firstRow.emplace(rowKey(rows_.rows[current_], index.columns, index.fold), current_);
    } else {
        const int64_t key = rows_.keys.at(current_);
        auto row = connection_->run([&](DbSession& s) { return storeChanged(s, key, values); });
        rows_.rows[current_] = std::move(row);
        indexes_.clear();
    }
    eof_ = bof_ = false;
    state_ = TDataSetState::dsBrowse;
    buffer_.clear();
    assigned_.clear();
}

void TCustomADODataSet::cancel() {
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) state_ = TDataSetState::dsBrowse;
    buffer_.clear();
    assigned_.clear();
}

// A date stored in another text form (a file written before dates had one form) is keyed
// as the same date.
Variant TCustomADODataSet::keyValue(const Variant& v, size_t column) const {
    std::string date;
    if (rows_.fields.at(column).DataType == FieldType::DateTime && v.kind() == ValueKind::Text &&
        normaliseDate(v.toString(), date))
        return Variant(date);
    return v;
}

std::string TCustomADODataSet::rowKey(const std::vector<Variant>& row, const std::vector<size_t>& columns, bool foldText) const {
    std::string key;
    for (size_t c : columns) {
        const Variant& v = row.at(c);
        if (rows_.fields.at(c).DataType == FieldType::DateTime)
            appendKey(key, keyValue(v, c), foldText);
        else
            appendKey(key, v, foldText);  // no copy of the value
    }
    return key;
}

bool TCustomADODataSet::Locate(const std::string& keyField, const Variant& keyValue, TLocateOptions options) {
    return Locate(keyField, std::vector<Variant>{keyValue}, options);
}

bool TCustomADODataSet::Locate(const std::string& keyFields, const std::vector<Variant>& keyValues, TLocateOptions options) {
    checkBrowseMode();
    // A merge locates every row by the same fields: their names are looked up once.
    if (keyFields != locateFields_ || locateColumns_.empty()) {
        std::vector<size_t> columns;
        size_t pos = 0;
        while (pos <= keyFields.size()) {
            size_t end = keyFields.find(';', pos);
            if (end == std::string::npos) end = keyFields.size();
            const std::string name = trim(keyFields.substr(pos, end - pos));
            if (!name.empty()) columns.push_back(static_cast<size_t>(&FieldByName(name) - fields_.data()));
            pos = end + 1;
        }
        locateColumns_ = std::move(columns);
        locateFields_ = keyFields;
    }
    const std::vector<size_t>& columns = locateColumns_;
    if (columns.empty() || columns.size() != keyValues.size())
        throw DbError(DbErrc::TypeMismatch, displayName() + ": число значений поиска не совпадает с числом полей.");

    std::vector<Variant> wanted;
    for (size_t i = 0; i < columns.size(); ++i) {
        try {
            wanted.push_back(coerceToField(keyValues[i], rows_.fields[columns[i]].DataType));
        } catch (const DbError&) {
            return false;  // a value the column cannot hold matches no row
        }
    }
    const bool foldText = options.loCaseInsensitive;

    if (options.loPartialKey) {
        for (size_t r = 0; r < rows_.rows.size(); ++r) {
            bool all = true;
            for (size_t i = 0; all && i < columns.size(); ++i) {
                const Variant& have = rows_.rows[r][columns[i]];
                if (wanted[i].kind() == ValueKind::Text && have.kind() == ValueKind::Text) {
                    const std::string h = foldText ? text::foldCase(have.toString()) : have.toString();
                    const std::string w = foldText ? text::foldCase(wanted[i].toString()) : wanted[i].toString();
                    all = h.compare(0, w.size(), w) == 0;
                } else {
                    all = valuesKey({keyValue(have, columns[i])}, foldText) == valuesKey({wanted[i]}, foldText);
                }
            }
            if (all) {
                current_ = r;
                eof_ = bof_ = false;
                return true;
            }
        }
        return false;
    }

    std::string indexName = foldText ? "i" : "c";
    for (size_t c : columns) indexName += ";" + std::to_string(c);
    auto it = indexes_.find(indexName);
    if (it == indexes_.end()) {
        LocateIndex index{columns, foldText, {}};
        index.firstRow.reserve(rows_.rows.size());
        for (size_t r = 0; r < rows_.rows.size(); ++r) index.firstRow.emplace(rowKey(rows_.rows[r], columns, foldText), r);
        it = indexes_.emplace(indexName, std::move(index)).first;
    }
    const auto found = it->second.firstRow.find(valuesKey(wanted, foldText));
    if (found == it->second.firstRow.end()) return false;
    current_ = found->second;
    eof_ = bof_ = false;
    return true;
}

} // namespace upd::db
