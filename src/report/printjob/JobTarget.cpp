#include "report/printjob/JobTarget.h"

#include "tavlora/CExcelBatDo.h"

namespace tavlora::printjob {

void JobTarget::setCurBatObj(std::shared_ptr<CExcelBatDo> job) {
    job_ = std::move(job);
    if (job_) workbook_ = job_->CurWk();
}

}  // namespace tavlora::printjob
