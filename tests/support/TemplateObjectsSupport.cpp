#include "support/TemplateObjectsSupport.h"

#include <gtest/gtest.h>

#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"

namespace tavlora::test {

std::string templateObjectsScript(const TemplateObjects& objects, const std::filesystem::path& folder) {
    const std::string picture = (folder / "logo.png").string();
    return "from PIL import Image as Picture\n"
           "from openpyxl.drawing.image import Image\n"
           "from openpyxl.drawing.spreadsheet_drawing import TwoCellAnchor, AnchorMarker\n"
           "from openpyxl.worksheet.table import Table, TableStyleInfo\n"
           "table = Table(displayName='Items', ref='" + objects.tableRef + "')\n"
           "table.tableStyleInfo = TableStyleInfo(name='TableStyleMedium9', showRowStripes=True)\n"
           "ws.add_table(table)\n"
           "ws['" + objects.totalCell + "'] = '=SUM(Items[Qty])'\n"
           "Picture.new('RGB', (8, 8), 'red').save(r'" + picture + "')\n"
           "logo = Image(r'" + picture + "')\n"
           "logo.anchor = TwoCellAnchor(_from=AnchorMarker(col=" + std::to_string(objects.pictureFromColumn) +
           ", row=" + std::to_string(objects.pictureFromRow) + "), to=AnchorMarker(col=" +
           std::to_string(objects.pictureToColumn) + ", row=" + std::to_string(objects.pictureToRow) + "))\n"
           "ws.add_image(logo)\n";
}

std::string describeTemplateObjects(const std::filesystem::path& report, const std::string& sheet,
                                    const std::string& cell) {
    return runPython(
        "import re, zipfile, openpyxl\n"
        "ws = openpyxl.load_workbook(r'" + report.string() + "')['" + sheet + "']\n"
        "print([(t.displayName, t.ref) for t in ws.tables.values()])\n"
        "print(ws['" + cell + "'].value)\n"
        "z = zipfile.ZipFile(r'" + report.string() + "')\n"
        "drawing = [z.read(n).decode() for n in z.namelist() if n.startswith('xl/drawings/drawing')][0]\n"
        "print(re.findall(r'<(?:xdr:)?col>(\\d+)</(?:xdr:)?col>.*?<(?:xdr:)?row>(\\d+)</', drawing))\n");
}

std::string csvByLibreOffice(const std::filesystem::path& workDir, const std::filesystem::path& report) {
    std::string log;
    const auto outDir = workDir / "csv";
    if (convertWithLibreOffice(workDir, report, "csv", outDir, &log) != 0) {
        ADD_FAILURE() << "LibreOffice could not convert " << report << ": " << log;
        return {};
    }
    return runPython("print(open(r'" + (outDir / report.stem()).string() + ".csv').read().strip())");
}

}  // namespace tavlora::test
