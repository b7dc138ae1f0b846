#pragma once
#include <memory>

#include "tavlora/Export.h"

namespace tavlora::host {
class Workbook;
class Worksheet;
}  // namespace tavlora::host

namespace tavlora::printjob {

class CExcelBatDo;

// Where a filler writes: the job object, its workbook and the current sheet (CurBatObj, CurWk,
// CurSheet), shared by every class that fills a sheet of a job.
class TAVLORA_API JobTarget {
public:
    const std::shared_ptr<CExcelBatDo>& CurBatObj() const { return job_; }
    // A non-null job object also brings its workbook (none included); null leaves the workbook as
    // it is.
    void setCurBatObj(std::shared_ptr<CExcelBatDo> job);
    const std::shared_ptr<host::Workbook>& CurWk() const { return workbook_; }
    void setCurWk(std::shared_ptr<host::Workbook> workbook) { workbook_ = std::move(workbook); }
    const std::shared_ptr<host::Worksheet>& CurSheet() const { return sheet_; }
    void setCurSheet(std::shared_ptr<host::Worksheet> sheet) { sheet_ = std::move(sheet); }

protected:
    JobTarget() = default;
    ~JobTarget() = default;

    std::shared_ptr<CExcelBatDo> job_;
    std::shared_ptr<host::Workbook> workbook_;
    std::shared_ptr<host::Worksheet> sheet_;
};

}  // namespace tavlora::printjob
