#include "tavlora/CExcelBatDo.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "base/Ascii.h"
#include "base/AtomicFile.h"
#include "com/Conversions.h"
#include "com/UnicodeText.h"
#include "host/Application.h"
#include "host/files/FileFormats.h"
#include "host/Sheet.h"
#include "host/Workbook.h"
#include "host/xlsx/TemplateCache.h"
#include "report/common/Failures.h"
#include "report/common/SheetAcquisition.h"

namespace tavlora::printjob {

namespace fs = std::filesystem;

namespace {

void holdTemplate(host::xlsx::TemplateCache& templates, const fs::path& source) {
    // Any file may be copied; only a workbook is held, and one that cannot be read is simply not.
    std::string ext = base::asciiLower(source.extension().string());
    if (ext != ".xlsx" && ext != ".xlsm") return;
    try {
        templates.package(source.string());
    } catch (const com::Error&) {
    }
}

bool copyFileAtomically(const fs::path& source, const fs::path& dest, const base::FileSync& sync) {
    if (!fs::exists(source)) common::refuse("the file '" + source.string() + "' does not exist");
    if (!fs::is_regular_file(source)) common::refuse("'" + source.string() + "' is not a file");
    std::ifstream in(source, std::ios::binary);
    if (!in) common::refuse("the file '" + source.string() + "' cannot be read");
    base::AtomicFile file(dest.string(), sync);
    std::string block(1 << 16, '\0');
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0)
        file.write(std::string_view(block.data(), static_cast<size_t>(in.gcount())));
    if (in.bad()) common::refuse("reading '" + source.string() + "' failed");
    file.commit();
    return true;
}

}  // namespace

void CExcelBatDo::setFileOptions(const host::files::FileOptions& options) {
    fileOptions_ = std::make_shared<const host::files::FileOptions>(options);
}

bool CExcelBatDo::DoCopy(const std::string& strFile, const std::string& strDest) {
    return common::trapFailure(common::memberCall("DoCopy", strFile, strDest), false, [&] {
        if (strFile.empty() || strDest.empty()) common::refuse("both the template and the target file must be named");
        host::xlsx::TemplateCache* templates = fileOptions_ ? fileOptions_->templates.get() : nullptr;
        if (templates) holdTemplate(*templates, fs::absolute(fs::path(strFile)));
        bool flush = !fileOptions_ || fileOptions_->flushSaves;
        copyFileAtomically(fs::path(strFile), fs::path(strDest), flush ? base::FileSync::system() : base::FileSync::none());
        if (templates) templates->noteCopy(fs::absolute(fs::path(strFile)).string(), fs::absolute(fs::path(strDest)).string());
        return true;
    });
}

bool CExcelBatDo::DoBegin(const std::string& strFile, bool bDispExcel) {
    return common::trapFailure(common::memberCall("DoBegin", strFile), false, [&] {
        workbook_.reset();
        workbook_ = common::MCommExcel::OpenWorkbookInExcel(strFile, bDispExcel,
                                                            fileOptions_ ? *fileOptions_ : host::files::FileOptions{});
        return workbook_ != nullptr;
    });
}

bool CExcelBatDo::DoEnd(const std::string& strFile, bool bDispExcel, bool bHtmlFormat) {
    bool saved = common::trapFailure(common::memberCall("DoEnd", strFile), false, [&] {
        if (!workbook_) common::refuse("no workbook is open (DoBegin did not succeed)");
        if (IsDelUnUse()) DelUnUseSheets();
        saveForEnd(strFile, bDispExcel, bHtmlFormat);
        return true;
    });
    // Closed without saving; a failure of the clean-up itself reaches the caller.
    if (!saved) common::MCommExcel::CloseWorkbookAndExcel(workbook_);
    return saved;
}

void CExcelBatDo::saveForEnd(const std::string& strFile, bool bDispExcel, bool bHtmlFormat) {
    if (!strFile.empty()) {
        workbook_->saveAs(strFile, bHtmlFormat ? host::fileformat::kHtml : host::fileformat::kDefault);
    } else if (!workbook_->path().empty()) {
        workbook_->save();
    }
    if (bDispExcel) {
        workbook_->application()->setVisible(true);
        return;
    }
    if (workbook_->path().empty()) workbook_->saveAs("", host::fileformat::kDefault);
    common::MCommExcel::CloseWorkbookAndExcel(workbook_);
}

int16_t CExcelBatDo::DelUnUseSheets() {
    if (!workbook_) return 0;
    int16_t deleted = 0;
    try {
        int16_t count = com::narrowToInt16(static_cast<int64_t>(workbook_->sheets().size()));
        for (int16_t index = count; index >= 1; --index) {
            auto sheet = workbook_->sheets().at(static_cast<size_t>(index - 1));
            if (usedSheetKeys_.count(com::upperCase(sheet->name()))) continue;
            sheet->deleteSheet();
            ++deleted;
        }
    } catch (...) {
        // The host refusing a deletion (the last sheet) ends the walk; what was deleted stays so.
        common::noteAbsorbed("deleting the unused sheets stopped: " + common::describeException(std::current_exception()));
    }
    return deleted;
}

void CExcelBatDo::DoAddSheet(const std::string& strSheetName) {
    if (!usedSheetKeys_.insert(com::upperCase(strSheetName)).second) return;
    usedSheets_.back() = strSheetName;
    // The list index is 16-bit: the 32,768th slot cannot be made.
    if (usedSheets_.size() > 32767) throw com::Error(com::hr::kOverflow, "Overflow");
    usedSheets_.emplace_back();
}

}  // namespace tavlora::printjob
