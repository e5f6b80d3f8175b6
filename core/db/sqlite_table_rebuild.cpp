#include "db/sqlite_engine.h"
#include "db/sqlite_session.h"
#include "platform/text.h"

namespace upd::db::sqlite {
namespace {

DbError unconvertible(const std::string& column) {
    return DbError(DbErrc::TypeMismatch,
                   "Данные поля '" + column + "' не могут быть преобразованы в новый тип; таблица не изменена.");
}

} // namespace

// SQLite cannot change or drop a column in place: the table is created anew under a
// temporary name, the rows copied with their row ids, the old table dropped and the new
// one renamed, its indexes and counter restored. All inside one savepoint.
void SqliteSession::rebuild(const TranslatedStatement& st) {
    const TableInfo info = tableInfo(st.table);
    if (info.isView) throw DbError(DbErrc::Unsupported, "'" + info.name + "' является запросом, а не таблицей.");
    std::string createSql;
    {
        Statement s(db_.get(), "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?1");
        s.bind(1, Variant(info.name));
        if (s.step()) createSql = s.columnText(0);
    }
    CreateTableParts parts = splitCreateTable(createSql);
    size_t target = parts.items.size();
    for (size_t i = 0; i < parts.items.size(); ++i)
        if (text::equalsIgnoreCase(definedColumn(parts.items[i]), st.column)) target = i;
    const FieldDef* old = nullptr;
    for (const FieldDef& f : info.fields)
        if (text::equalsIgnoreCase(f.Name, st.column)) old = &f;
    if (target == parts.items.size() || !old)
        throw DbError(DbErrc::NoSuchColumn, "Поле '" + st.column + "' не найдено в таблице '" + info.name + "'.");
    if (old->DataType == FieldType::AutoInc)
        throw DbError(DbErrc::Unsupported, "Поле счетчика '" + old->Name + "' не может быть изменено или удалено.");

    const bool drop = st.kind == TranslatedStatement::Kind::DropColumn;
    std::vector<std::string> copied;
    for (const FieldDef& f : info.fields)
        if (!(drop && &f == old)) copied.push_back(quoteIdentifier(f.Name));
    std::vector<std::string> selected = copied;
    if (drop) {
        parts.items.erase(parts.items.begin() + static_cast<long>(target));
    } else {
        parts.items[target] = st.columnDef;
        const std::string newDecl = st.columnDef.substr(quoteIdentifier(definedColumn(st.columnDef)).size() + 1);
        const FieldType newType = classifyDeclaredType(newDecl.substr(0, newDecl.find_first_of(" ")), false);
        const int newSize = declaredSize(newDecl.substr(0, newDecl.find_first_of(" ")));
        const std::string col = quoteIdentifier(old->Name);
        if (newSize > 0) {
            Statement s(db_.get(), "SELECT count(*) FROM " + quoteIdentifier(info.name) + " WHERE length(" + col +
                                       ") > " + std::to_string(newSize));
            s.step();
            if (s.columnInt(0) > 0)
                throw DbError(DbErrc::ValueTooLong, "Данные поля '" + old->Name + "' не помещаются в новый размер поля (" +
                                                        std::to_string(newSize) + " знаков); таблица не изменена.");
        }
        for (auto& sel : selected) {
            if (sel != col) continue;
            if (newType == FieldType::Boolean) sel = "(CASE WHEN " + col + " <> 0 THEN -1 ELSE 0 END)";
            // A byte's range and a date's one form, as every statement stores them.
            if (newType == FieldType::Byte || newType == FieldType::DateTime)
                sel = "access_store(" + col + ", " + std::to_string(static_cast<int>(newType)) + ", 0, '')";
        }
    }

    const std::string temp = info.name + "__rebuild";
    std::vector<std::string> indexes;
    {
        Statement s(db_.get(), "SELECT sql FROM sqlite_master WHERE type = 'index' AND tbl_name = ?1 AND sql IS NOT NULL");
        s.bind(1, Variant(info.name));
        while (s.step()) indexes.push_back(s.columnText(0));
    }
    allOrNothing([&] {
        Variant counter;
        bool hasSequence = false;
        {
            Statement s(db_.get(), "SELECT count(*) FROM sqlite_master WHERE name = 'sqlite_sequence'");
            s.step();
            hasSequence = s.columnInt(0) > 0;
        }
        if (hasSequence) {
            Statement s(db_.get(), "SELECT seq FROM sqlite_sequence WHERE name = ?1");
            s.bind(1, Variant(info.name));
            if (s.step()) counter = Variant(static_cast<long long>(s.columnInt(0)));
        }
        std::string create = "CREATE TABLE " + quoteIdentifier(temp) + " (";
        for (size_t i = 0; i < parts.items.size(); ++i) create += (i ? ", " : "") + parts.items[i];
        exec(db_.get(), create + ")");
        std::string into, from;
        for (size_t i = 0; i < copied.size(); ++i) {
            into += ", " + copied[i];
            from += ", " + selected[i];
        }
        try {
            exec(db_.get(), "INSERT INTO " + quoteIdentifier(temp) + " (rowid" + into + ") SELECT rowid" + from + " FROM " +
                                quoteIdentifier(info.name));
        } catch (const DbError& e) {
            if (e.code() != DbErrc::TypeMismatch) throw;
            throw unconvertible(old->Name);
        }
        if (!drop) {
            // A number column takes only numbers, as Access converts or refuses.
            const TableInfo rebuilt = tableInfo(temp);
            for (const FieldDef& f : rebuilt.fields) {
                if (!text::equalsIgnoreCase(f.Name, st.column)) continue;
                std::string allowed;
                if (isIntegerType(f.DataType)) allowed = "'integer'";
                if (f.DataType == FieldType::Float || f.DataType == FieldType::Currency) allowed = "'integer','real'";
                if (allowed.empty()) continue;
                Statement s(db_.get(), "SELECT count(*) FROM " + quoteIdentifier(temp) + " WHERE typeof(" +
                                           quoteIdentifier(f.Name) + ") NOT IN ('null'," + allowed + ")");
                s.step();
                if (s.columnInt(0) > 0)
                    throw unconvertible(f.Name);
            }
        }
        exec(db_.get(), "DROP TABLE " + quoteIdentifier(info.name));
        exec(db_.get(), "ALTER TABLE " + quoteIdentifier(temp) + " RENAME TO " + quoteIdentifier(info.name));
        for (const std::string& index : indexes) exec(db_.get(), index);
        if (!counter.isNull()) {
            Statement s(db_.get(), "UPDATE sqlite_sequence SET seq = max(seq, ?1) WHERE name = ?2");
            s.bind(1, counter);
            s.bind(2, Variant(info.name));
            s.step();
        }
    });
}

} // namespace upd::db::sqlite
