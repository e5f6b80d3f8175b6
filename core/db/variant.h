// Field values and column types as the steps see them: an untyped value that may be null,
// and the column types of an Access table, with the conversions a field applies when it
// is read as or set from another kind of value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace upd::db {

enum class ValueKind { Null, Integer, Float, Text, Boolean, Blob };

class Variant {
public:
    Variant() = default;  // null
    Variant(int v) : kind_(ValueKind::Integer), int_(v) {}
    Variant(long v) : kind_(ValueKind::Integer), int_(v) {}
    Variant(long long v) : kind_(ValueKind::Integer), int_(v) {}
    Variant(double v) : kind_(ValueKind::Float), float_(v) {}
    Variant(bool v) : kind_(ValueKind::Boolean), int_(v ? 1 : 0) {}
    Variant(std::string v) : kind_(ValueKind::Text), text_(std::move(v)) {}
    Variant(const char* v) : kind_(ValueKind::Text), text_(v) {}
    static Variant null() { return {}; }
    static Variant blob(std::string bytes);

    ValueKind kind() const { return kind_; }
    bool isNull() const { return kind_ == ValueKind::Null; }

    // Conversions as a field reads them: null reads as 0, "" and false.
    // A text that is no number fails with DbErrc::TypeMismatch.
    int64_t toInt64() const;
    int toInt() const;  // 32-bit, as Access Long; out of range fails
    double toDouble() const;
    bool toBool() const;
    // Integers in decimal, booleans "True"/"False", numbers with a full stop.
    std::string toString() const;
    // The text of a text, the bytes of a blob, without a copy; empty for the other kinds.
    const std::string& text() const { return text_; }

    bool operator==(const Variant& other) const;

private:
    ValueKind kind_ = ValueKind::Null;
    int64_t int_ = 0;
    double float_ = 0;
    std::string text_;  // text, or the bytes of a blob
};

// Column types, named after Access's.
enum class FieldType { Unknown, AutoInc, Integer, SmallInt, Byte, Float, Currency, Boolean, DateTime, String, Memo, Blob, Guid };

struct FieldDef {
    std::string Name;
    FieldType DataType = FieldType::Unknown;
    int Size = 0;            // characters of a VARCHAR(n), else 0
    std::string TableName;   // table the column comes from, empty for expressions
};

const char* fieldTypeName(FieldType type);
bool isIntegerType(FieldType type);  // Integer, SmallInt, Byte and AutoInc

// The value a column of `type` stores when set from `value`: texts are parsed into numbers,
// true/false and dates; a value the column cannot take fails with DbErrc::TypeMismatch.
Variant coerceToField(const Variant& value, FieldType type);

// Fails with DbErrc::ValueTooLong when `value` is a text longer than the characters a
// VARCHAR(n) column `field` allows.
void checkTextLength(const Variant& value, const FieldDef& field);

// Dates: "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS" from ISO, "DD.MM.YYYY[ HH:MM[:SS]]" or an
// OLE date number; false when the text is no date. Every date is stored in that one form,
// "YYYY-MM-DD" at midnight, so that equal dates compare equal however they were written.
bool normaliseDate(const std::string& text, std::string& out);

// The body of an Access date literal (between the "#"s) in the stored form: month/day/year
// (day/month/year when that is the only valid reading, as Access does), or year-month-day,
// with an optional time "H:MM[:SS][ AM|PM]"; a time alone is on 1899-12-30, two-digit years
// are 1930..2029. False when it is no valid date.
bool accessDateLiteral(const std::string& body, std::string& out);

} // namespace upd::db
