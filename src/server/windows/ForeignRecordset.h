#pragma once
#include <oaidl.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "data/Recordset.h"

// A recordset the caller owns (its own database component, or one written in the script), read
// through late binding exactly as the fillers read ours: EOF, MoveNext, Fields.Count and
// Fields.Item(index).Name / .Value.
namespace tavlora::server::windows {

// Calls a member by name through IDispatch; com::Error with the callee's HRESULT and description
// when the call fails.
VARIANT lateBoundCall(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* args = nullptr, UINT count = 0);

class ForeignRecordset final : public data::Recordset {
public:
    // nullptr when `object` does not answer to EOF, MoveNext and Fields.
    static std::shared_ptr<ForeignRecordset> tryWrap(IDispatch* object);
    ~ForeignRecordset() override;

    bool Eof() const override;
    void MoveNext() override;
    IDispatch* object() const { return object_; }

protected:
    com::Variant currentValue(int32_t index) const override;

private:
    ForeignRecordset(IDispatch* object, std::vector<std::string> fieldNames);

    IDispatch* object_;
};

}  // namespace tavlora::server::windows
