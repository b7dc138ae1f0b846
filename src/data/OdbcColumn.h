#pragma once
#include <sql.h>

#include <cstddef>
#include <string>
#include <vector>

#include "com/Variant.h"

// One column of an ODBC result, bound to an array of row buffers so a whole block of rows arrives
// in one fetch. It chooses the C type the driver converts to from the column's SQL type, and turns
// a row's buffer into the value the fillers read.
namespace tavlora::data {

class OdbcColumn {
public:
    // The longest text (in UTF-16 units) or binary value (in bytes) a field is read with.
    static constexpr size_t kMaxValueUnits = 65535;

    // Describes column `number` (from 1) of the statement's result; com::Error when the driver fails.
    static OdbcColumn describe(SQLHSTMT statement, SQLUSMALLINT number);

    const std::string& name() const { return name_; }
    // Bytes one row takes in the buffers (value and length indicator).
    size_t bytesPerRow() const { return valueBytes_ + sizeof(SQLLEN); }
    // Allocates buffers for `rows` rows and binds them; com::Error when the driver refuses.
    void bind(SQLHSTMT statement, size_t rows);
    // The value of a row of the last fetched block. A value longer than the buffer: com::Error.
    com::Variant value(size_t row) const;

private:
    enum class Kind { Integer, Double, Decimal, Boolean, BooleanText, Date, Time, Timestamp, Text, Binary };

    OdbcColumn(std::string name, SQLUSMALLINT number, Kind kind, size_t valueBytes)
        : name_(std::move(name)), number_(number), kind_(kind), valueBytes_(valueBytes) {}

    SQLSMALLINT cType() const;
    const unsigned char* cell(size_t row) const { return buffer_.data() + row * valueBytes_; }
    std::u16string textAt(size_t row, SQLLEN length) const;
    com::Variant textValue(size_t row, SQLLEN length) const;
    [[noreturn]] void throwTooLong(SQLLEN length) const;

    std::string name_;
    SQLUSMALLINT number_;
    Kind kind_;
    size_t valueBytes_;
    std::vector<unsigned char> buffer_;
    std::vector<SQLLEN> lengths_;
};

}  // namespace tavlora::data
