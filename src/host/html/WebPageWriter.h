#pragma once
#include <string>

#include "base/AtomicFile.h"
#include "host/html/PageExtras.h"

namespace tavlora::host {
class Workbook;
}

namespace tavlora::host::html {

// Writes one self-contained HTML file: a table per visible worksheet, its charts and pictures
// floating over the cells they are anchored to, a chart sheet's chart alone. Every text is
// escaped. Atomic like the workbook writer.
void writeWebPage(const Workbook& workbook, const std::string& path, const PageExtras& extras = {},
                  const base::FileSync& sync = base::FileSync::system());

}  // namespace tavlora::host::html
