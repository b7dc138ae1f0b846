#include "ProgressRecordset.h"

namespace tavlora::runner {

ProgressRecordset::ProgressRecordset(std::shared_ptr<data::Recordset> inner, std::string label, int64_t total,
                                     std::FILE* out)
    : data::Recordset(namesOf(*inner)),
      inner_(std::move(inner)),
      label_(std::move(label)),
      total_(total),
      out_(out),
      nextReport_(total_ / 10) {}

std::vector<std::string> ProgressRecordset::namesOf(const data::Recordset& recordset) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < recordset.FieldCount(); ++i) names.push_back(recordset.FieldName(i));
    return names;
}

void ProgressRecordset::MoveNext() {
    inner_->MoveNext();
    ++read_;
    if (read_ < nextReport_ || total_ < 10) return;
    nextReport_ += total_ / 10;
    std::fprintf(out_, "  %s: %lld of %lld records\n", label_.c_str(), static_cast<long long>(read_),
                 static_cast<long long>(total_));
    std::fflush(out_);
}

}  // namespace tavlora::runner
