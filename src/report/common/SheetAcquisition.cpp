#include "report/common/SheetAcquisition.h"
#include "host/files/NewApplication.h"

#include "com/Conversions.h"
#include "com/UnicodeText.h"
#include "report/common/Failures.h"
#include "host/Application.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelBatDo.h"

namespace tavlora::common::MCommExcel {

std::shared_ptr<host::Workbook> OpenWorkbookInExcel(const std::string& strFile, bool bDispExcel) {
    return OpenWorkbookInExcel(strFile, bDispExcel, host::files::FileOptions{});
}

std::shared_ptr<host::Workbook> OpenWorkbookInExcel(const std::string& strFile, bool bDispExcel,
                                                    const host::files::FileOptions& options) {
    try {
        auto application = host::files::newApplication(options);
        application->setDisplayAlerts(false);
        application->setVisible(bDispExcel);
        auto workbook = strFile.empty() ? application->add() : application->open(strFile);
        if (!workbook) {
            application->quit();
            noteCause("the host opened no workbook");
        }
        return workbook;
    } catch (...) {
        noteCause(describeException(std::current_exception()));
        return nullptr;
    }
}

void CloseWorkbookAndExcel(std::shared_ptr<host::Workbook>& workbook) {
    if (!workbook) return;
    auto application = workbook->application();
    workbook->close();
    application->quit();
    workbook.reset();
}

std::shared_ptr<host::Worksheet> GetWorksheetByName(const std::shared_ptr<host::Workbook>& workbook,
                                                    const std::string& strSheetName, bool bAddIfMissing,
                                                    bool bAddBefore) {
    if (!workbook) throw com::Error(com::hr::kObjectNotSet, "Object variable not set");
    for (const auto& sheet : workbook->worksheets()) {
        if (com::equalsIgnoreCase(sheet->name(), strSheetName)) return sheet;
    }
    if (!bAddIfMissing) return nullptr;
    std::shared_ptr<host::Worksheet> added;
    if (bAddBefore) {
        added = workbook->addWorksheet();
    } else {
        added = workbook->addWorksheet(nullptr, workbook->sheets().back().get());
    }
    added->setName(strSheetName);
    return added;
}

bool IsNameInList(const std::vector<std::string>& names, const std::string& strName, bool bMatchCase) {
    try {
        for (const auto& name : names) {
            if (bMatchCase ? name == strName : com::equalsIgnoreCase(name, strName)) return true;
        }
    } catch (...) {
    }
    return false;
}

}  // namespace tavlora::common::MCommExcel

namespace tavlora::common::MCommExcelIn {

bool AcquireTargetSheet(const std::shared_ptr<host::Workbook>& workbook, std::shared_ptr<host::Worksheet>& sheet,
                        const std::shared_ptr<printjob::CExcelBatDo>& job, const std::string& strSheetName,
                        bool bAddIfMissing, bool bAddBefore) {
    if (!workbook) {
        noteCause("no workbook: set CurBatObj to a job whose DoBegin succeeded, or CurWk");
        return false;
    }
    if (!strSheetName.empty()) {
        sheet = MCommExcel::GetWorksheetByName(workbook, strSheetName, bAddIfMissing, bAddBefore);
        if (!sheet) noteCause("the workbook has no worksheet named '" + strSheetName + "'");
    } else if (!sheet) {
        noteCause("no sheet was named and the object has no current sheet");
    }
    if (!sheet) return false;
    if (!strSheetName.empty() && job) job->DoAddSheet(strSheetName);
    return true;
}

}  // namespace tavlora::common::MCommExcelIn
