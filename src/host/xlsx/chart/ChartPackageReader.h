#pragma once

namespace tavlora::host {
class Workbook;
}

namespace tavlora::host::xlsx {

class PackageContents;

// Finds the charts of a package that was read: each chart sheet's chart (chart sheet part ->
// drawing -> chart part) and each worksheet's chart objects (the sheet's drawing and the chart
// frames in it), and loads them into the workbook's model. The parts stay as read in `contents`;
// a chart part that cannot be read is left there untouched and is not modelled.
void readWorkbookCharts(const PackageContents& contents, Workbook& workbook);

}  // namespace tavlora::host::xlsx
