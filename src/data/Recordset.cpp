#include "data/Recordset.h"

#include "com/Conversions.h"
#include "data/DataErrors.h"

namespace tavlora::data {

const std::string& Field::Name() const { return recordset_->FieldName(index_); }

com::Variant Field::Value() const { return recordset_->FieldValue(index_); }

int32_t Fields::Count() const { return recordset_->FieldCount(); }

Field Fields::Item(int32_t index) const {
    recordset_->FieldName(index);  // validates the position now, as the collection would
    return Field(*recordset_, index);
}

Field Fields::Item(std::string_view name) const {
    int32_t index = recordset_->FindField(name);
    if (index < 0) throwItemNotFound("\"" + std::string(name) + "\"");
    return Field(*recordset_, index);
}

Recordset::Recordset(std::vector<std::string> fieldNames) : names_(std::move(fieldNames)) {
    firstIndexByUpperName_.reserve(names_.size());
    for (size_t i = 0; i < names_.size(); ++i)
        firstIndexByUpperName_.try_emplace(com::upperCase(names_[i]), static_cast<int32_t>(i));
}

void Recordset::checkIndex(int32_t index) const {
    if (index < 0 || index >= FieldCount()) throwItemNotFound("position " + std::to_string(index));
}

const std::string& Recordset::FieldName(int32_t index) const {
    checkIndex(index);
    return names_[static_cast<size_t>(index)];
}

int32_t Recordset::FindField(std::string_view name) const {
    auto found = firstIndexByUpperName_.find(com::upperCase(name));
    return found == firstIndexByUpperName_.end() ? -1 : found->second;
}

com::Variant Recordset::FieldValue(int32_t index) const {
    checkIndex(index);
    if (Eof()) throwNoCurrentRecord();
    return currentValue(index);
}

const com::Variant& Recordset::LendFieldValue(int32_t index, com::Variant& holder) const {
    checkIndex(index);
    if (Eof()) throwNoCurrentRecord();
    if (const com::Variant* held = heldValue(index)) return *held;
    holder = currentValue(index);
    return holder;
}

}  // namespace tavlora::data
