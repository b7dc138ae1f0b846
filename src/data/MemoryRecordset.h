#pragma once
#include <string>
#include <vector>

#include "data/Recordset.h"

namespace tavlora::data {

// A recordset over rows held in memory, for callers whose data is already in hand and for tests.
// The cursor starts on the first row.
class MemoryRecordset final : public Recordset {
public:
    using Row = std::vector<com::Variant>;

    // Every row must have one value per field name (invalid argument otherwise).
    MemoryRecordset(std::vector<std::string> fieldNames, std::vector<Row> rows);

    bool Eof() const override { return position_ >= rows_.size(); }
    void MoveNext() override;

    size_t RowCount() const { return rows_.size(); }

private:
    com::Variant currentValue(int32_t index) const override;
    const com::Variant* heldValue(int32_t index) const override;

    std::vector<Row> rows_;
    size_t position_ = 0;
};

}  // namespace tavlora::data
