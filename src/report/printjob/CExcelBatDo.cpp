#include "tavlora/CExcelBatDo.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "com/Conversions.h"
#include "host/Application.h"
#include "host/Sheet.h"
#include "host/Workbook.h"
#include "report/common/SheetAcquisition.h"

namespace tavlora::printjob {

namespace fs = std::filesystem;

namespace {

// A name beside the destination, so the final rename stays on one file system.
fs::path temporarySibling(const fs::path& dest) {
    std::random_device rd;
    return dest.parent_path() / (".~" + dest.filename().string() + "." + std::to_string(rd()) + ".tmp");
}

bool copyFileAtomically(const fs::path& source, const fs::path& dest) {
    if (!fs::is_regular_file(source)) return false;
    fs::path temp = temporarySibling(dest);
    std::error_code ec;
    fs::copy_file(source, temp, fs::copy_options::overwrite_existing, ec);
    if (!ec) fs::rename(temp, dest, ec);
    if (ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

}  // namespace

bool CExcelBatDo::DoCopy(const std::string& strFile, const std::string& strDest) {
    if (strFile.empty() || strDest.empty()) return false;
    try {
        return copyFileAtomically(fs::path(strFile), fs::path(strDest));
    } catch (...) {
        return false;
    }
}

bool CExcelBatDo::DoBegin(const std::string& strFile, bool bDispExcel) {
    try {
        workbook_ = common::MCommExcel::OpenWorkbookInExcel(strFile, bDispExcel);
    } catch (...) {
        workbook_.reset();
    }
    return workbook_ != nullptr;
}

bool CExcelBatDo::DoEnd(const std::string& strFile, bool bDispExcel, bool bHtmlFormat) {
    if (!workbook_) return false;
    try {
        if (IsDelUnUse()) DelUnUseSheets();
        saveForEnd(strFile, bDispExcel, bHtmlFormat);
        return true;
    } catch (...) {
        // Closed without saving; a failure of the clean-up itself reaches the caller.
        common::MCommExcel::CloseWorkbookAndExcel(workbook_);
        return false;
    }
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
            if (common::MCommExcel::IsNameInList(usedSheets_, sheet->name(), false)) continue;
            sheet->deleteSheet();
            ++deleted;
        }
    } catch (...) {
        // The host refusing a deletion (the last sheet) ends the walk; what was deleted stays so.
    }
    return deleted;
}

void CExcelBatDo::DoAddSheet(const std::string& strSheetName) {
    if (common::MCommExcel::IsNameInList(usedSheets_, strSheetName, false)) return;
    usedSheets_.back() = strSheetName;
    // The list index is 16-bit: the 32,768th slot cannot be made.
    if (usedSheets_.size() > 32767) throw com::Error(com::hr::kOverflow, "Overflow");
    usedSheets_.emplace_back();
}

}  // namespace tavlora::printjob
