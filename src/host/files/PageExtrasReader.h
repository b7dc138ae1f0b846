#pragma once
#include "host/html/PageExtras.h"

namespace tavlora::host {
class Workbook;
}

namespace tavlora::host::files {

// What the web page of `book` shows beyond its model, from the package it was opened from: the
// title property, each visible worksheet's frozen rows and its pictures (PNG, JPEG, GIF and BMP;
// a picture of another type, or whose part is missing, is left out), and the charts whose
// category axis runs backwards. Nothing for a new workbook.
html::PageExtras readPageExtras(const Workbook& book);

}  // namespace tavlora::host::files
