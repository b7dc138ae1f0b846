#pragma once
#include <memory>
#include <string>
#include <vector>

namespace tavlora::host {
class Workbook;
class Worksheet;
}  // namespace tavlora::host

namespace tavlora::host::files {
struct FileOptions;
}

namespace tavlora::printjob {
class CExcelBatDo;
}

// How every class gets at the host, a workbook and a worksheet. Stateless.
namespace tavlora::common::MCommExcel {

// A new host instance with alerts off and visibility as asked; opens strFile, or a blank workbook
// when it is "". Null on any failure.
std::shared_ptr<host::Workbook> OpenWorkbookInExcel(const std::string& strFile, bool bDispExcel);
// The same, the new host reading and writing files as `options` say (a template cache).
std::shared_ptr<host::Workbook> OpenWorkbookInExcel(const std::string& strFile, bool bDispExcel,
                                                    const host::files::FileOptions& options);

// Closes the workbook without saving and quits its host; the reference becomes null. Host errors
// reach the caller (the reference then stays set).
void CloseWorkbookAndExcel(std::shared_ptr<host::Workbook>& workbook);

// The first worksheet (chart sheets not considered) whose name equals strSheetName ignoring case.
// When missing and bAddIfMissing: adds one (before the active sheet, or after the last sheet) and
// names it strSheetName; a refused name is a host error, and the added sheet then stays.
std::shared_ptr<host::Worksheet> GetWorksheetByName(const std::shared_ptr<host::Workbook>& workbook,
                                                    const std::string& strSheetName, bool bAddIfMissing,
                                                    bool bAddBefore);

// True when strName equals an element (upper-cased both sides unless bMatchCase).
bool IsNameInList(const std::vector<std::string>& names, const std::string& strName, bool bMatchCase);

}  // namespace tavlora::common::MCommExcel

namespace tavlora::common::MCommExcelIn {

// Resolves a filler's working sheet: a non-empty name looks the worksheet up (optionally adding it)
// and registers the name with the job object; an empty name keeps the current sheet.
bool AcquireTargetSheet(const std::shared_ptr<host::Workbook>& workbook, std::shared_ptr<host::Worksheet>& sheet,
                        const std::shared_ptr<printjob::CExcelBatDo>& job, const std::string& strSheetName,
                        bool bAddIfMissing, bool bAddBefore);

}  // namespace tavlora::common::MCommExcelIn
