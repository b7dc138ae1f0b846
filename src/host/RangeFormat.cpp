#include "com/Error.h"
#include "host/Range.h"
#include "host/Worksheet.h"

namespace tavlora::host {

namespace {
[[noreturn]] void notYet() { throw com::Error(com::hr::kNotImplemented, "Range formatting is not available yet."); }
}  // namespace

void Range::autoFit() { notYet(); }
std::string Range::numberFormatLocal() const { notYet(); }
void Range::setNumberFormatLocal(const std::string&) { notYet(); }
int32_t Range::horizontalAlignment() const { notYet(); }
void Range::setHorizontalAlignment(int32_t) { notYet(); }
int32_t Range::verticalAlignment() const { notYet(); }
void Range::setVerticalAlignment(int32_t) { notYet(); }
double Range::rowHeight() const { notYet(); }
void Range::setRowHeight(double) { notYet(); }
double Range::columnWidth() const { notYet(); }
void Range::setColumnWidth(double) { notYet(); }
RangeFont Range::font() const { return RangeFont(*this); }
void Range::applyStyle(const StyleChange&) { notYet(); }

std::string RangeFont::name() const { notYet(); }
void RangeFont::setName(const std::string&) { notYet(); }
std::string RangeFont::fontStyle() const { notYet(); }
void RangeFont::setFontStyle(const std::string&) { notYet(); }
double RangeFont::size() const { notYet(); }
void RangeFont::setSize(double) { notYet(); }
bool RangeFont::bold() const { notYet(); }
void RangeFont::setBold(bool) { notYet(); }

}  // namespace tavlora::host
