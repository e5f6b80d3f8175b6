#include "db/ado_table.h"

#include "db/db_error.h"

namespace upd::db {

void TADOTable::SetTableName(const std::string& name) {
    if (Active())
        throw DbError(DbErrc::ObjectOpen, name_ + ": операция не может быть выполнена с открытым набором данных.");
    tableName_ = name;
}

void TADOTable::checkCanOpen() const {
    if (tableName_.empty()) throw DbError(DbErrc::NoSuchTable, name_ + ": не задано имя таблицы.");
}

} // namespace upd::db
