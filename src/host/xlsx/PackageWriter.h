#pragma once
#include <string>

#include "base/AtomicFile.h"

namespace tavlora::host {
class Workbook;
}

namespace tavlora::host::xlsx {

class DeflaterPool;

// Writes the workbook as an Office Open XML package at `path`, atomically: a temporary file in the
// same folder, flushed, then renamed over the target. On failure the target is untouched and a
// com::Error (host error) is thrown. `sync` flushes the file and its folder. `compressors`, when
// given, lends the save its compressors and keeps them for the next one.
void writeWorkbook(const Workbook& workbook, const std::string& path,
                   const base::FileSync& sync = base::FileSync::system(), DeflaterPool* compressors = nullptr);

}  // namespace tavlora::host::xlsx
