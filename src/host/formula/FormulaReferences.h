#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/cells/CellRef.h"

// Rewriting of the A1 references inside formula text (without the leading "=") when cells move
// or sheets are renamed or deleted. Everything that is not a reference to the affected sheet is
// copied through unchanged.
namespace tavlora::host::formula {

enum class Axis : uint8_t { Rows, Columns };

// `count` rows (or columns) starting at `first` were removed from one sheet. When only part of
// the rows was removed (cells shifted up within columns spanFirst..spanLast), only references
// that lie wholly within those columns move; the others stay as written.
struct Deletion {
    Axis axis = Axis::Rows;
    int32_t first = 1;
    int32_t count = 1;
    int32_t spanFirst = 1;
    int32_t spanLast = kMaxColumns;  // kMaxRows for a column deletion
    int32_t last() const { return first + count - 1; }
    // Whole rows (columns) went, not cells shifted within some columns (rows).
    bool isWholeLines() const { return spanFirst == 1 && spanLast == (axis == Axis::Rows ? kMaxColumns : kMaxRows); }

    static Deletion rows(int32_t first, int32_t count) { return {Axis::Rows, first, count, 1, kMaxColumns}; }
    static Deletion columns(int32_t first, int32_t count) { return {Axis::Columns, first, count, 1, kMaxRows}; }
};

// Where a formula lives, to decide which of its references point at the edited sheet:
// unqualified references belong to `hostSheet` ("" for a defined name, whose unqualified
// references are left alone); qualified ones to the sheet they name.
struct Context {
    std::string_view hostSheet;
    std::string_view editedSheet;
};

// The area after the deletion; nullopt when it lay wholly inside the removed band.
// An area spanning the band shrinks; whole rows (columns) are untouched by column (row) deletion.
std::optional<Area> shiftArea(const Area& area, const Deletion& deletion);

// References to the edited sheet move; one wholly inside the band becomes #REF!.
std::string shiftForDeletion(std::string_view formula, const Context& context, const Deletion& deletion);

// Space-separated areas (a sqref list): each moves; removed ones drop out. "" when none is left.
std::string shiftAreaList(std::string_view areas, const Deletion& deletion);
// One reference ("B3", "A1:C4"); "" when it was removed.
std::string shiftReference(std::string_view reference, const Deletion& deletion);

// A sheet that left the workbook, and the sheets that stood just before and after it in tab order
// ("" when none).
struct SheetRemoval {
    std::string name;
    std::string before;
    std::string after;
};

// References qualified with `oldName` name `newName` instead (quoted when the name needs it), the
// ends of runs of sheets (Data:Other!A1) too.
std::string renameSheet(std::string_view formula, std::string_view oldName, std::string_view newName);
// References qualified with the removed sheet become #REF!. A run of sheets that begins (ends) on
// it begins on the sheet after it (ends on the one before), as the run's other sheets still hold
// the cells; a run of that sheet alone becomes #REF!.
std::string invalidateSheet(std::string_view formula, const SheetRemoval& removal);

}  // namespace tavlora::host::formula
