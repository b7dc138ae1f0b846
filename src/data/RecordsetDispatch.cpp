// The automation face of recordsets: small member tables for the recordset, its field collection
// and a field. The collection and field objects hold the recordset alive, as the C++ handles
// cannot.
#include <string>

#include "com/Conversions.h"
#include "data/DataErrors.h"
#include "data/Recordset.h"

namespace tavlora::data {
namespace {

using com::MemberInfo;
using com::MemberKind;
using com::ParamInfo;
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

template <typename T>
T& as(com::Dispatch& self) {
    return static_cast<T&>(self);
}

const com::DispatchTable& FieldObject::dispatchTable() const {
    static const com::DispatchTable table(
        "Field",
        {
            MemberInfo{"Value", 0, MemberKind::PropertyGet, {}, VarType::Any,
                       [](com::Dispatch& self, std::vector<Variant>&) { return as<FieldObject>(self).field().Value(); }},
            MemberInfo{"Name", 1, MemberKind::PropertyGet, {}, VarType::String,
                       [](com::Dispatch& self, std::vector<Variant>&) { return Variant(as<FieldObject>(self).field().Name()); }},
        });
    return table;
}

const com::DispatchTable& FieldsObject::dispatchTable() const {
    static const com::DispatchTable table(
        "Fields",
        {
            MemberInfo{"Item", 0, MemberKind::PropertyGet, {ParamInfo{"Index", VarType::Any}}, VarType::Object,
                       [](com::Dispatch& self, std::vector<Variant>& args) { return as<FieldsObject>(self).item(args[0]); }},
            MemberInfo{"Count", 1, MemberKind::PropertyGet, {}, VarType::Long,
                       [](com::Dispatch& self, std::vector<Variant>&) { return Variant(as<FieldsObject>(self).count()); }},
        });
    return table;
}

}  // namespace

const com::DispatchTable& Recordset::dispatchTable() const {
    static const com::DispatchTable table(
        "Recordset",
        {
            MemberInfo{"Fields", 0, MemberKind::PropertyGet, {}, VarType::Object,
                       [](com::Dispatch& self, std::vector<Variant>&) {
                           return Variant(std::static_pointer_cast<com::Dispatch>(
                               std::make_shared<FieldsObject>(sharedRecordset(as<Recordset>(self)))));
                       }},
            MemberInfo{"EOF", 1, MemberKind::PropertyGet, {}, VarType::Boolean,
                       [](com::Dispatch& self, std::vector<Variant>&) { return Variant(as<Recordset>(self).Eof()); }},
            MemberInfo{"MoveNext", 2, MemberKind::Method, {}, VarType::Empty,
                       [](com::Dispatch& self, std::vector<Variant>&) {
                           as<Recordset>(self).MoveNext();
                           return Variant();
                       }},
        });
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
