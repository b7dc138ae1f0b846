#pragma once
#include <vector>

#include "host/formula/StructuredReference.h"

namespace tavlora::host {

class Workbook;

// Where the calculation learns a workbook's tables: the file layer models them and implements
// this on the package parts it keeps, so the tables read are always those the package would save
// (moved or dropped with deleted cells).
class TableCatalog {
public:
    virtual ~TableCatalog() = default;
    // Every table of the workbook's worksheets, with sheet indexes as `book` numbers its sheets.
    virtual std::vector<formula::TableDefinition> tables(const Workbook& book) = 0;
};

}  // namespace tavlora::host
