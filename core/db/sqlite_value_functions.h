// The functions through which the translated statements store values as Access does:
//   access_store(value, type, size, column)  the value as a column of FieldType `type` (and
//                                             `size` characters for text) stores it; refused
//                                             with the table objects' own message otherwise
//   access_add(a, b)                         Access's +: two texts joined, numbers added
#pragma once

struct sqlite3;

namespace upd::db::sqlite {

void registerAccessValueFunctions(sqlite3* db);

} // namespace upd::db::sqlite
