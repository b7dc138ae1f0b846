#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "com/Dispatch.h"
#include "tavlora/Export.h"

namespace tavlora::host {
class Workbook;
}
namespace tavlora::host::files {
struct FileOptions;
}

namespace tavlora::printjob {

// The job object of one output workbook: copies the template, opens it in a private host
// instance, and at the end deletes the sheets no filler registered, saves, and shows or closes.
class TAVLORA_API CExcelBatDo : public com::Dispatch {
public:
    static std::shared_ptr<CExcelBatDo> create() { return std::make_shared<CExcelBatDo>(); }

    const std::shared_ptr<host::Workbook>& CurWk() const { return workbook_; }
    void setCurWk(std::shared_ptr<host::Workbook> workbook) { workbook_ = std::move(workbook); }
    bool IsDelUnUse() const { return isDelUnUse_; }
    void setIsDelUnUse(bool value) { isDelUnUse_ = value; }

    // Copies strFile over strDest through a temporary file and a rename. False on any failure.
    bool DoCopy(const std::string& strFile = "", const std::string& strDest = "");
    // Opens strFile (or a blank workbook) in a new host instance. False on any failure.
    bool DoBegin(const std::string& strFile = "", bool bDispExcel = false);
    // Deletes unregistered sheets, saves (as strFile, as a web page when bHtmlFormat, or in place),
    // then shows the host or closes the workbook and quits. False (and closed without saving) on
    // failure.
    bool DoEnd(const std::string& strFile = "", bool bDispExcel = false, bool bHtmlFormat = false);
    // Registers a sheet name as used; overflow past 32,767 names is error 6 to the caller.
    void DoAddSheet(const std::string& strSheetName);

    // How the job reads and writes its files. With a template cache (one for the jobs of a process,
    // on any thread) DoBegin opens a template unchanged since it was read from memory, and so does
    // the DoBegin of a copy that DoCopy made of it; saves may be left unflushed. Without options,
    // every DoBegin reads its file and every save is flushed to disk.
    void setFileOptions(const host::files::FileOptions& options);

    // The registered names followed by the empty spare slot.
    const std::vector<std::string>& usedSheets() const { return usedSheets_; }

    const com::DispatchTable& dispatchTable() const override;

private:
    int16_t DelUnUseSheets();
    void saveForEnd(const std::string& strFile, bool bDispExcel, bool bHtmlFormat);

    std::shared_ptr<host::Workbook> workbook_;
    std::shared_ptr<const host::files::FileOptions> fileOptions_;  // null: the defaults
    bool isDelUnUse_ = true;
    std::vector<std::string> usedSheets_{std::string()};
    // The same names upper-cased, so that registering and looking up stay constant-time however
    // many sheets a job names.
    std::unordered_set<std::string> usedSheetKeys_{std::string()};
};

}  // namespace tavlora::printjob
