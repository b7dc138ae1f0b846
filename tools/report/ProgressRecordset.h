#pragma once
#include <cstdio>
#include <memory>
#include <string>

#include "data/Recordset.h"

// A recordset that reports how far a reader has come: the fillers read records through MoveNext,
// so counting there shows progress on a long list without the fillers knowing.
namespace tavlora::runner {

class ProgressRecordset final : public data::Recordset {
public:
    // Reports to `out` each time another tenth of `total` records has been read.
    ProgressRecordset(std::shared_ptr<data::Recordset> inner, std::string label, int64_t total, std::FILE* out);

    bool Eof() const override { return inner_->Eof(); }
    void MoveNext() override;
    int64_t recordsRead() const { return read_; }

private:
    com::Variant currentValue(int32_t index) const override { return inner_->FieldValue(index); }
    static std::vector<std::string> namesOf(const data::Recordset& recordset);

    std::shared_ptr<data::Recordset> inner_;
    std::string label_;
    int64_t total_;
    std::FILE* out_;
    int64_t read_ = 0;
    int64_t nextReport_;
};

}  // namespace tavlora::runner
