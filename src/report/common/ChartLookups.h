#pragma once
#include <memory>
#include <string>

namespace tavlora::host {
class Chart;
class ChartObject;
class Sheet;
class Workbook;
class Worksheet;
}  // namespace tavlora::host

// Finding, adding and emptying charts of a workbook. Stateless.
//
// Names are compared upper-cased on both sides; the first match in collection order wins, and
// finding nothing answers null. Apart from AddChartObject (and AddEmbeddedChart through it), host
// failures reach the caller; a null workbook, sheet or chart is error 91.
namespace tavlora::common::MCommExcel {

// Any sheet, worksheet or chart sheet.
std::shared_ptr<host::Sheet> FindSheetByName(const std::shared_ptr<host::Workbook>& workbook,
                                             const std::string& strName);
// The chart of the chart sheet of that name; embedded charts are not seen.
std::shared_ptr<host::Chart> FindChartSheetByName(const std::shared_ptr<host::Workbook>& workbook,
                                                  const std::string& strName);
std::shared_ptr<host::ChartObject> FindChartObjectByName(const std::shared_ptr<host::Worksheet>& sheet,
                                                         const std::string& strName);
std::shared_ptr<host::Chart> FindEmbeddedChartByName(const std::shared_ptr<host::Worksheet>& sheet,
                                                     const std::string& strName);

// A new embedded chart object at left 180, top 100, 360 by 210 points, named strName unless it is
// "". Never raises: null when the object could not be added, the object with the host's own name
// when only the renaming was refused.
std::shared_ptr<host::ChartObject> AddChartObject(const std::shared_ptr<host::Worksheet>& sheet,
                                                  const std::string& strName);
std::shared_ptr<host::Chart> AddEmbeddedChart(const std::shared_ptr<host::Worksheet>& sheet,
                                              const std::string& strName);

// Deletes every series, the last one first. The count is read once, in 16 bits.
void DeleteAllSeries(const std::shared_ptr<host::Chart>& chart);

}  // namespace tavlora::common::MCommExcel
