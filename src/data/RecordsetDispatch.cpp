// The automation face of recordsets: small member tables for the recordset, its field collection
// and a field. The collection and field objects hold the recordset alive, as the C++ handles
// cannot.
#include <string>

#include "com/Conversions.h"
#include "com/DispatchRows.h"
#include "data/DataErrors.h"
#include "data/Recordset.h"

namespace tavlora::data {
namespace {

using com::Variant;
using com::VarType;

std::shared_ptr<const Recordset> sharedRecordset(const Recordset& recordset) {
    try {
        return std::static_pointer_cast<const Recordset>(recordset.shared_from_this());
    } catch (const std::bad_weak_ptr&) {
        throw com::Error(com::hr::kInvalidCall,
                         "a recordset handed to an automation client must be owned by a shared_ptr");
    }
}

class FieldObject final : public com::Dispatch {
public:
    FieldObject(std::shared_ptr<const Recordset> recordset, int32_t index)
        : recordset_(std::move(recordset)), field_(*recordset_, index) {}
    const com::DispatchTable& dispatchTable() const override;
    const Field& field() const { return field_; }

private:
    std::shared_ptr<const Recordset> recordset_;
    Field field_;
};

class FieldsObject final : public com::Dispatch {
public:
    explicit FieldsObject(std::shared_ptr<const Recordset> recordset) : recordset_(std::move(recordset)) {}
    const com::DispatchTable& dispatchTable() const override;

    Variant item(const Variant& indexOrName) const {
        Fields fields = recordset_->Fields();
        Field field = indexOrName.type() == VarType::String ? fields.Item(indexOrName.asString())
                                                            : fields.Item(com::toInt32(indexOrName));
        return Variant(std::static_pointer_cast<com::Dispatch>(
            std::make_shared<FieldObject>(recordset_, field.Index())));
    }
    int32_t count() const { return recordset_->FieldCount(); }

private:
    std::shared_ptr<const Recordset> recordset_;
};

const Field& fieldOf(com::Dispatch& d) { return static_cast<FieldObject&>(d).field(); }

const com::DispatchTable& FieldObject::dispatchTable() const {
    static const com::DispatchTable table = com::DispatchRows<const Field>("Field", &fieldOf)
                                                .get("Value", 0, VarType::Any, &Field::Value)
                                                .get("Name", 1, VarType::String, &Field::Name)
                                                .build();
    return table;
}

const com::DispatchTable& FieldsObject::dispatchTable() const {
    static const com::DispatchTable table = com::DispatchRows<FieldsObject>("Fields")
                                                .get("Item", 0, VarType::Object, &FieldsObject::item,
                                                     {{"Index", VarType::Any}})
                                                .get("Count", 1, VarType::Long, &FieldsObject::count)
                                                .build();
    return table;
}

}  // namespace

const com::DispatchTable& Recordset::dispatchTable() const {
    static const com::DispatchTable table =
        com::DispatchRows<Recordset>("Recordset")
            .get("Fields", 0, VarType::Object,
                 [](Recordset& recordset) { return std::make_shared<FieldsObject>(sharedRecordset(recordset)); })
            .get("EOF", 1, VarType::Boolean, &Recordset::Eof)
            .method("MoveNext", 2, VarType::Empty, &Recordset::MoveNext)
            .build();
    return table;
}

Variant Recordset::toVariant() const {
    return Variant(std::const_pointer_cast<com::Dispatch>(
        std::static_pointer_cast<const com::Dispatch>(sharedRecordset(*this))));
}

RecordsetPtr recordsetFromVariant(const Variant& value) {
    if (value.type() != VarType::Object) throw com::Error(com::hr::kTypeMismatch, "Type mismatch: a recordset was expected");
    if (!value.asObject()) throw com::Error(com::hr::kObjectNotSet, "Object variable not set: no recordset was given");
    auto recordset = std::dynamic_pointer_cast<Recordset>(value.asObject());
    if (!recordset) throw com::Error(com::hr::kTypeMismatch, "Type mismatch: the object is not a recordset");
    return recordset;
}

}  // namespace tavlora::data
