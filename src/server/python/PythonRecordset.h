#pragma once
#include <pybind11/pybind11.h>

#include <memory>

#include "com/Dispatch.h"

// Recordsets over Python's own data: a DB-API cursor after execute, or rows (tuples or mappings)
// with field names. Rows are taken from Python a block at a time as the fillers move on, never
// copied whole.
namespace tavlora::python {

// Field names from cursor.description; rows by cursor.fetchmany(block).
std::shared_ptr<com::Dispatch> recordsetFromCursor(const pybind11::object& cursor, size_t blockRows);
// Rows from any iterable: each a sequence of one value per field, or a mapping from field name.
std::shared_ptr<com::Dispatch> recordsetFromRows(const pybind11::object& fields, const pybind11::object& rows,
                                                 size_t blockRows);

}  // namespace tavlora::python
