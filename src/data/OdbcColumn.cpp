#include "data/OdbcColumn.h"

#include <sqlext.h>

#include <algorithm>
#include <cstring>

#include "base/Utf16.h"
#include "base/Utf8.h"
#include "com/UnicodeText.h"
#include "data/DataErrors.h"
#include "data/OdbcDiagnostics.h"
#include "data/SqlValues.h"

namespace tavlora::data {

namespace {

// Types whose size the driver may not know or may give as a huge limit are read up to the most.
constexpr size_t kMinTextUnits = 64;
// Below this, a text buffer is doubled so characters outside the BMP (two UTF-16 units) still fit.
constexpr size_t kDoubledTextUnits = 4096;

std::string columnName(SQLHSTMT statement, SQLUSMALLINT number, SQLSMALLINT& type, SQLULEN& size) {
    std::u16string name(256, u'\0');
    SQLSMALLINT nameLength = 0, digits = 0, nullable = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        SQLRETURN rc = SQLDescribeColW(statement, number, reinterpret_cast<SQLWCHAR*>(name.data()),
                                       static_cast<SQLSMALLINT>(name.size()), &nameLength, &type, &size, &digits,
                                       &nullable);
        if (!odbcSucceeded(rc)) throwOdbcError(SQL_HANDLE_STMT, statement, "describing column " + std::to_string(number) + " failed");
        if (static_cast<size_t>(nameLength) < name.size()) break;
        name.assign(static_cast<size_t>(nameLength) + 1, u'\0');  // the name was cut: read it again whole
    }
    name.resize(std::min(static_cast<size_t>(std::max<SQLSMALLINT>(nameLength, 0)), name.size()));
    return base::utf8FromUtf16(name);
}

// The database's own name of the column's type ("bool", "int4"); "" when the driver gives none.
std::string typeName(SQLHSTMT statement, SQLUSMALLINT number) {
    char16_t name[64] = {};
    SQLSMALLINT bytes = 0;
    SQLRETURN rc = SQLColAttributeW(statement, number, SQL_DESC_TYPE_NAME, reinterpret_cast<SQLWCHAR*>(name),
                                    sizeof(name) - sizeof(char16_t), &bytes, nullptr);
    if (!odbcSucceeded(rc)) return "";
    const size_t units = std::min(static_cast<size_t>(std::max<SQLSMALLINT>(bytes, 0)) / sizeof(char16_t), size_t{63});
    return base::utf8FromUtf16(std::u16string_view(name, units));
}

bool isLongType(SQLSMALLINT type) {
    return type == SQL_LONGVARCHAR || type == SQL_WLONGVARCHAR || type == SQL_LONGVARBINARY;
}

// Units (or bytes) a text or binary value of the column is read with.
size_t valueUnits(SQLSMALLINT type, SQLULEN declared, bool text) {
    if (isLongType(type) || declared == 0 || declared > OdbcColumn::kMaxValueUnits) return OdbcColumn::kMaxValueUnits;
    size_t units = static_cast<size_t>(declared);
    if (text && units <= kDoubledTextUnits) units *= 2;
    if (text) units = std::max(units, kMinTextUnits);
    return std::min(units, OdbcColumn::kMaxValueUnits);
}

template <class T>
T read(const unsigned char* cell) {
    T value;
    std::memcpy(&value, cell, sizeof(T));
    return value;
}

bool isTrueText(std::string_view text) {
    return text == "1" || com::equalsIgnoreCase(text, "t") || com::equalsIgnoreCase(text, "true") ||
           com::equalsIgnoreCase(text, "y") || com::equalsIgnoreCase(text, "yes");
}

bool isFalseText(std::string_view text) {
    return text == "0" || com::equalsIgnoreCase(text, "f") || com::equalsIgnoreCase(text, "false") ||
           com::equalsIgnoreCase(text, "n") || com::equalsIgnoreCase(text, "no");
}

}  // namespace

OdbcColumn OdbcColumn::describe(SQLHSTMT statement, SQLUSMALLINT number) {
    SQLSMALLINT type = 0;
    SQLULEN size = 0;
    std::string name = columnName(statement, number, type, size);
    switch (type) {
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT: return OdbcColumn(std::move(name), number, Kind::Integer, sizeof(SQLBIGINT));
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE: return OdbcColumn(std::move(name), number, Kind::Double, sizeof(SQLDOUBLE));
        case SQL_BIT: return OdbcColumn(std::move(name), number, Kind::Boolean, sizeof(SQLCHAR));
        case SQL_NUMERIC:
        case SQL_DECIMAL: {
            // Sign, point, a leading zero and the terminator around the digits.
            const size_t bytes = std::clamp<size_t>(static_cast<size_t>(size) + 4, 48, 1024);
            return OdbcColumn(std::move(name), number, Kind::Decimal, bytes);
        }
        case SQL_TYPE_DATE:
        case SQL_DATE: return OdbcColumn(std::move(name), number, Kind::Date, sizeof(SQL_DATE_STRUCT));
        case SQL_TYPE_TIME:
        case SQL_TIME: return OdbcColumn(std::move(name), number, Kind::Time, sizeof(SQL_TIME_STRUCT));
        case SQL_TYPE_TIMESTAMP:
        case SQL_TIMESTAMP: return OdbcColumn(std::move(name), number, Kind::Timestamp, sizeof(SQL_TIMESTAMP_STRUCT));
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
            return OdbcColumn(std::move(name), number, Kind::Binary, valueUnits(type, size, false));
        default: break;
    }
    // Some drivers hand booleans over as text ("1"/"0") unless told otherwise; the type name
    // still says what the column is.
    const std::string databaseType = typeName(statement, number);
    const bool boolean = com::equalsIgnoreCase(databaseType, "bool") || com::equalsIgnoreCase(databaseType, "boolean");
    const size_t units = valueUnits(type, size, true);
    return OdbcColumn(std::move(name), number, boolean ? Kind::BooleanText : Kind::Text, (units + 1) * sizeof(char16_t));
}

SQLSMALLINT OdbcColumn::cType() const {
    switch (kind_) {
        case Kind::Integer: return SQL_C_SBIGINT;
        case Kind::Double: return SQL_C_DOUBLE;
        case Kind::Decimal: return SQL_C_CHAR;
        case Kind::Boolean: return SQL_C_BIT;
        case Kind::Date: return SQL_C_TYPE_DATE;
        case Kind::Time: return SQL_C_TYPE_TIME;
        case Kind::Timestamp: return SQL_C_TYPE_TIMESTAMP;
        case Kind::Binary: return SQL_C_BINARY;
        case Kind::Text:
        case Kind::BooleanText: return SQL_C_WCHAR;
    }
    return SQL_C_WCHAR;
}

void OdbcColumn::bind(SQLHSTMT statement, size_t rows) {
    buffer_.assign(valueBytes_ * rows, 0);
    lengths_.assign(rows, 0);
    SQLRETURN rc = SQLBindCol(statement, number_, cType(), buffer_.data(), static_cast<SQLLEN>(valueBytes_), lengths_.data());
    if (!odbcSucceeded(rc)) throwOdbcError(SQL_HANDLE_STMT, statement, "binding the field \"" + name_ + "\" failed");
}

void OdbcColumn::throwTooLong(SQLLEN length) const {
    const bool text = kind_ == Kind::Text || kind_ == Kind::BooleanText;
    std::string size = length == SQL_NO_TOTAL ? "unknown" : std::to_string(text ? length / 2 : length);
    throw com::Error(hr::kQueryFailed, "the value of the field \"" + name_ + "\" is too long to read (" + size +
                                           (text ? " UTF-16 units" : " bytes") + "; at most " +
                                           std::to_string(valueBytes_ / (text ? 2 : 1) - (text ? 1 : 0)) +
                                           "); shorten it in the query");
}

std::u16string OdbcColumn::textAt(size_t row, SQLLEN length) const {
    std::u16string units(static_cast<size_t>(length) / sizeof(char16_t), u'\0');
    std::memcpy(units.data(), cell(row), units.size() * sizeof(char16_t));
    return units;
}

com::Variant OdbcColumn::textValue(size_t row, SQLLEN length) const {
    std::string text = base::utf8FromUtf16(textAt(row, length));
    if (kind_ == Kind::BooleanText) {
        if (isTrueText(text)) return com::Variant(true);
        if (isFalseText(text)) return com::Variant(false);
    }
    return com::Variant(std::move(text));
}

com::Variant OdbcColumn::value(size_t row) const {
    const SQLLEN length = lengths_[row];
    if (length == SQL_NULL_DATA) return com::Variant::null();
    const unsigned char* data = cell(row);
    switch (kind_) {
        case Kind::Integer: return integerValue(read<SQLBIGINT>(data));
        case Kind::Double: return com::Variant(read<SQLDOUBLE>(data));
        case Kind::Boolean: return com::Variant(read<SQLCHAR>(data) != 0);
        case Kind::Decimal: {
            if (length == SQL_NO_TOTAL || length < 0 || static_cast<size_t>(length) >= valueBytes_) throwTooLong(length);
            return decimalValue(std::string_view(reinterpret_cast<const char*>(data), static_cast<size_t>(length)));
        }
        case Kind::Date: {
            auto date = read<SQL_DATE_STRUCT>(data);
            return dateTimeValue({date.year, date.month, date.day});
        }
        case Kind::Time: {
            // A time of day alone is that time on day 0 of the date numbering.
            auto time = read<SQL_TIME_STRUCT>(data);
            return dateTimeValue({1899, 12, 30, time.hour, time.minute, time.second});
        }
        case Kind::Timestamp: {
            auto stamp = read<SQL_TIMESTAMP_STRUCT>(data);
            return dateTimeValue({stamp.year, stamp.month, stamp.day, stamp.hour, stamp.minute, stamp.second, stamp.fraction});
        }
        case Kind::Binary: {
            if (length == SQL_NO_TOTAL || length < 0 || static_cast<size_t>(length) > valueBytes_) throwTooLong(length);
            return com::Variant(base::toValidUtf8(std::string_view(reinterpret_cast<const char*>(data), static_cast<size_t>(length))));
        }
        case Kind::Text:
        case Kind::BooleanText:
            if (length == SQL_NO_TOTAL || length < 0 || static_cast<size_t>(length) > valueBytes_ - sizeof(char16_t))
                throwTooLong(length);
            return textValue(row, length);
    }
    return com::Variant::null();
}

}  // namespace tavlora::data
