#include "data/MemoryRecordset.h"

#include "data/DataErrors.h"

namespace tavlora::data {

MemoryRecordset::MemoryRecordset(std::vector<std::string> fieldNames, std::vector<Row> rows)
    : Recordset(std::move(fieldNames)), rows_(std::move(rows)) {
    for (size_t r = 0; r < rows_.size(); ++r) {
        if (rows_[r].size() != static_cast<size_t>(FieldCount()))
            throw com::Error(com::hr::kInvalidArg, "row " + std::to_string(r) + " has " +
                                                       std::to_string(rows_[r].size()) + " values for " +
                                                       std::to_string(FieldCount()) + " fields");
    }
}

void MemoryRecordset::MoveNext() {
    if (Eof()) throwNoCurrentRecord();
    ++position_;
}

com::Variant MemoryRecordset::currentValue(int32_t index) const { return *heldValue(index); }

const com::Variant* MemoryRecordset::heldValue(int32_t index) const {
    return &rows_[position_][static_cast<size_t>(index)];
}

}  // namespace tavlora::data
