#pragma once
#include <string>

#include "base/AtomicFile.h"

namespace tavlora::host {
class Workbook;
}

namespace tavlora::host::html {

// Writes one self-contained HTML file: a table per visible worksheet. Every text is escaped.
// Atomic like the workbook writer.
void writeWebPage(const Workbook& workbook, const std::string& path,
                  const base::FileSync& sync = base::FileSync::system());

}  // namespace tavlora::host::html
