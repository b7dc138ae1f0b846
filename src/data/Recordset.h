#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "com/Dispatch.h"
#include "com/Variant.h"

// A forward-only source of records, as the fillers read it: a cursor (Eof, MoveNext) over rows
// that all have the same fields. Fields and Field are cheap handles onto the recordset (like a
// pointer and an index); they read the current row, so a Field taken once follows the cursor.
// A handle must not outlive its recordset. To hand a field collection or a field to an
// automation client, put the recordset in a Variant (toVariant) and go through dispatch.
namespace tavlora::data {

class Recordset;

class Field {
public:
    Field(const Recordset& recordset, int32_t index) : recordset_(&recordset), index_(index) {}

    int32_t Index() const { return index_; }
    const std::string& Name() const;
    // The value in the current row; Null for a database null. No current row: error 3021.
    com::Variant Value() const;

private:
    const Recordset* recordset_;
    int32_t index_;
};

class Fields {
public:
    explicit Fields(const Recordset& recordset) : recordset_(&recordset) {}

    int32_t Count() const;
    // Position from 0. Out of range: error 3265.
    Field Item(int32_t index) const;
    // Name compared without regard to letter case; the first field of that name wins.
    // No such field: error 3265.
    Field Item(std::string_view name) const;

private:
    const Recordset* recordset_;
};

class Recordset : public com::Dispatch {
public:
    ~Recordset() override = default;

    // True once the cursor stands past the last record (at once for an empty result).
    // (Spelled Eof: EOF is a macro of the C library.)
    virtual bool Eof() const = 0;
    // Advances one record. At EOF: error 3021.
    virtual void MoveNext() = 0;

    tavlora::data::Fields Fields() const { return tavlora::data::Fields(*this); }

    int32_t FieldCount() const { return static_cast<int32_t>(names_.size()); }
    // Out of range: error 3265.
    const std::string& FieldName(int32_t index) const;
    // Index of the first field with that name, letter case ignored; -1 when there is none.
    int32_t FindField(std::string_view name) const;
    // The value of a field in the current row. Bad index: error 3265; no current row: error 3021.
    com::Variant FieldValue(int32_t index) const;
    // The same value without a copy where the recordset holds it (valid until the cursor moves),
    // else copied into `holder` and that returned: for readers that only look at each value.
    const com::Variant& LendFieldValue(int32_t index, com::Variant& holder) const;

    const com::DispatchTable& dispatchTable() const override;
    // This recordset as an automation object; it must be owned by a shared_ptr.
    com::Variant toVariant() const;

protected:
    explicit Recordset(std::vector<std::string> fieldNames);

    // REQUIRES: 0 <= index < FieldCount() and !Eof().
    virtual com::Variant currentValue(int32_t index) const = 0;
    // The current value where the recordset keeps it, nullptr when it has none to lend.
    virtual const com::Variant* heldValue(int32_t /*index*/) const { return nullptr; }

private:
    void checkIndex(int32_t index) const;

    std::vector<std::string> names_;
    std::unordered_map<std::string, int32_t> firstIndexByUpperName_;
};

using RecordsetPtr = std::shared_ptr<Recordset>;

// The recordset an automation client passed in a Variant. Nothing: error 91; an object that is
// not one of our recordsets: type mismatch.
RecordsetPtr recordsetFromVariant(const com::Variant& value);

}  // namespace tavlora::data
