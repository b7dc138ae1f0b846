#include "server/MemberDocs.h"

#include "com/Conversions.h"

namespace tavlora::server {

namespace {

// Texts shared by several classes, so the same member reads the same everywhere.
const char* const kCurBatObj = "The job object (a CExcelBatDo); setting it also sets CurWk to the job's workbook.";
const char* const kCurWk = "The workbook the object works in; usually set through CurBatObj.";
const char* const kReference = "The object, or None (Nothing) when unset.";
const char* const kNeverFails = "Cannot fail.";
const char* const kSheetLookup =
    "Worksheet name, letter case ignored; the sheet is never created and is registered with the job so "
    "DoEnd keeps it. \"\" keeps CurSheet.";
const char* const kRow = "Row number, from 1; at most 32,767.";
const char* const kCol = "Column number, from 1 (A = 1); at most 32,767.";
const char* const kA1 = "Cell address in A1 form, such as \"B4\" or \"$B$4\".";
const char* const kCellText =
    "The text to write; a text that reads as a number is stored as a number (for a date, write its day "
    "number into a cell formatted as a date).";
const char* const kWriteFailure =
    "False when there is no current sheet. Raises an error for a row or column of 0, beyond the sheet or "
    "beyond 32,767, and for an address that is no cell.";
const char* const kSheetText = "Worksheet of CurWk to write on, letter case ignored; chart sheets are not considered.";
const char* const kTableSheet =
    "Worksheet to write on, letter case ignored; added after the last sheet when missing, and registered "
    "with the job. \"\" uses CurSheet.";
const char* const kTableRow = "Row of the table's first line (the title when IsTitle, else the header).";
const char* const kTableCol = "Column of the table's first column.";
const char* const kSeriesIndex = "Series slot, from 0 up to the series count minus 1.";
const char* const kGroupIndex = "Category slot, from 0 up to the category count minus 1.";
const char* const kRangeSheet = "Sheet the cells are on; \"\" means the sheet oSetRange_Sheet chose.";

std::vector<MemberDoc> batDoMembers() {
    return {
        {"CurWk", "The workbook the job holds between DoBegin and DoEnd.", {}, kReference, kNeverFails},
        {"IsDelUnUse", "Whether DoEnd deletes every sheet no filler used (default True).", {},
         "True or False.", kNeverFails},
        {"DoCopy", "Copies the template file to the file the report is written into.",
         {{"strFile", "The template workbook to copy."},
          {"strDest", "The file to create or replace; its folder must exist."}},
         "True when strDest holds the copy.",
         "False when strFile cannot be read or strDest cannot be written; strDest then keeps what it held."},
        {"DoBegin", "Opens a workbook as the job's workbook (CurWk).",
         {{"strFile", "The workbook to open (.xlsx); \"\" starts a blank workbook."},
          {"bDispExcel", "Kept for callers written for a desktop host; nothing is shown."}},
         "True when CurWk holds the workbook.",
         "False for a missing file, a file that is no Office Open XML workbook, or a broken part; CurWk is "
         "then None."},
        {"DoEnd", "Deletes the sheets no filler used (when IsDelUnUse), saves the workbook and closes it.",
         {{"strFile", "Where to save; \"\" saves over the file DoBegin opened."},
          {"bDispExcel", "True leaves the workbook open in CurWk after saving instead of closing it."},
          {"bHtmlFormat", "True saves a web page (.html) instead of a workbook."}},
         "True when the report is saved.",
         "False when the save fails (an unwritable folder, a read-only file) or no workbook is open; the "
         "workbook is closed without saving and an existing file keeps its old content."},
        {"DoAddSheet", "Registers a sheet name as used, so DoEnd keeps that sheet.",
         {{"strSheetName", "The sheet name; letter case is ignored when DoEnd compares."}}, "Nothing.",
         "Raises an overflow error beyond 32,767 names."},
    };
}

std::vector<MemberDoc> printOneMembers() {
    return {
        {"CurBatObj", kCurBatObj, {}, kReference, kNeverFails},
        {"CurWk", kCurWk, {}, kReference, kNeverFails},
        {"CurSheet", "The sheet being filled; DoA_Begin sets it.", {}, kReference, kNeverFails},
        {"DoA_Begin", "Selects the template sheet and collects its placeholders.",
         {{"strSheetName", kSheetLookup},
          {"nWhiteMode",
           "1 (default): in-cell placeholders, cells holding %Name%. 0: header rows, names in row 1 and the "
           "target address of each in row 2 below it."},
          {"nClearWhiteMode",
           "Header-row mode only, what DoA_End does with rows 1 and 2: 0 keep, 1 clear (default), 2 delete."}},
         "True when the sheet was scanned.",
         "False without a workbook, for a sheet name the workbook lacks, and for a placeholder cell that "
         "holds an error value or a lone %; no placeholders are kept then, so DoA_End writes and clears "
         "nothing."},
        {"DoA_ReplaceRst",
         "Gives every placeholder the value of the same-named field of the recordset's current row.",
         {{"rst", "A recordset; field names match without regard to letter case; the cursor does not move."}},
         "True; a placeholder without a field, or with a null value, gets \"\".",
         "False when the sheet has no placeholders. Raises the recordset's error."},
        {"DoA_ReplaceA", "Gives one placeholder a value.",
         {{"strWhiteDotName", "The placeholder name without the % signs, letter case ignored."},
          {"strWhiteDotValue", "The value; written at DoA_End."}},
         "True when a placeholder has that name.", "False when none has it."},
        {"DoA_OutputString", "Writes a text into a cell of CurSheet at once.",
         {{"nRow", kRow}, {"nCol", kCol}, {"strValue", kCellText}}, "True when written.", kWriteFailure},
        {"DoA_OutputString1", "Writes a text into a cell of CurSheet at once, by A1 address.",
         {{"strPos", kA1}, {"strValue", kCellText}}, "True when written.", kWriteFailure},
        {"DoA_End",
         "Writes every placeholder's value into its cell, then keeps, clears or deletes the header rows.", {},
         "The number of placeholders written; those without a value are emptied.",
         "Never fails; a cell the sheet refuses is skipped. After a failed DoA_Begin it writes and clears "
         "nothing and answers 0."},
        {"DoA_ReplaceXml0", "Gives every placeholder the same-named attribute of an XML element.",
         {{"pNode", "An XML element; attribute names match exactly, letter case included."}},
         "True; a missing attribute gives \"\".", "False when the sheet has no placeholders."},
        {"DoA_ReplaceXml", "Loads an XML file and fills the placeholders from the element a query selects.",
         {{"strXmlFile", "The XML file."},
          {"strFldQuery", "XPath query from the root element; its first element gives the values."}},
         "True when the placeholders were given values.",
         "False when the file is missing or ill-formed, the query is refused, or the sheet has no "
         "placeholders. A query that selects nothing empties every placeholder."},
    };
}

std::vector<MemberDoc> printBatMembers() {
    return {
        {"CurBatObj", kCurBatObj, {}, kReference, kNeverFails},
        {"CurWk", kCurWk, {}, kReference, kNeverFails},
        {"CurSheet", "The list template sheet; DoA_Begin sets it.", {}, kReference, kNeverFails},
        {"IsNoZero", "When True (default), values that read as zero are written as empty cells.", {},
         "True or False.", kNeverFails},
        {"DoA_Begin", "Selects a list template sheet and reads its control area (row 1 and column A).",
         {{"strSheetName", kSheetLookup},
          {"bReplaceWhite", "True also collects the sheet's %Name% placeholders for DoA_ReplaceWhiteDot."}},
         "True when the layout was read.",
         "False without a workbook, for a missing sheet, and for a control area that cannot be read: A2/A4 "
         "or A3/A5 not a number or number pair, a first row or column below 1, a column definition "
         "such as NAME(x). Until a DoA_Begin succeeds, the output methods and DoA_ReplaceWhiteDot then "
         "answer False and DoA_End raises an error, none of them touching a cell."},
        {"DoA_OutputRst", "Lays every record of a recordset, from its current row to its end, into the list.",
         {{"rst", "A recordset; field names match the column definitions without regard to letter case."}},
         "True; the recordset is left at its end.",
         "False after a failed DoA_Begin, when the data source fails, and when a record was dropped because "
         "its rows lie beyond row 32,767; the records written before stay. A record with a null value is "
         "skipped and the next one takes its rows."},
        {"DoA_ReplaceWhiteDot", "Gives a %Name% placeholder of the list sheet a value, written at DoA_End.",
         {{"strWhiteDotName", "The placeholder name without the % signs, letter case ignored."},
          {"strWhiteDotValue", "The value."}},
         "True when a placeholder has that name.",
         "False without a DoA_Begin with bReplaceWhite True, after a failed DoA_Begin, and when no "
         "placeholder has the name."},
        {"DoA_OutputString", "Writes a text into a cell of the list sheet at once.",
         {{"nRow", kRow}, {"nCol", kCol}, {"strValue", kCellText}}, "True when written.", kWriteFailure},
        {"DoA_OutputString1", "Writes a text into a cell of the list sheet at once, by A1 address.",
         {{"strPos", kA1}, {"strValue", kCellText}}, "True when written.", kWriteFailure},
        {"DoA_End",
         "Writes the placeholder values, then clears, deletes or keeps row 1 and column A as cell A6 says.", {},
         "True.",
         "Raises the sheet's error when a placeholder cell or the control area cannot be changed. After a "
         "failed DoA_Begin raises error 5 and touches no cell: row 1 and column A keep what they hold."},
        {"DoA_OutputXml0", "Lays every element of an XML node list into the list.",
         {{"pNodeList", "A node list of elements; attribute names match exactly, letter case included."}},
         "True.",
         "False after a failed DoA_Begin, and at the first node that is not an element; the records before "
         "it stay."},
        {"DoA_OutputXml", "Loads an XML file and lays the elements a query selects into the list.",
         {{"strXmlFile", "The XML file."}, {"strQuery", "XPath query from the root element, such as \"order\"."}},
         "True.", "False when the file is missing or ill-formed or the query is refused."},
    };
}

std::vector<MemberDoc> outputRcdMembers() {
    return {
        {"CurBatObj", kCurBatObj, {}, kReference, kNeverFails},
        {"CurWk", kCurWk, {}, kReference, kNeverFails},
        {"CurSheet", "The sheet the last table went to; \"\" as a sheet name uses it.", {}, kReference, kNeverFails},
        {"IsFldNameOfAlias", "Kept and answered only; captions are always the names the source gives.", {},
         "True or False.", kNeverFails},
        {"IsTitle", "Whether a table gets a merged title row above its header (default False).", {},
         "True or False.", kNeverFails},
        {"Title", "The title text; \"\" gives the sheet name followed by \"记录\".", {}, "The text.", kNeverFails},
        {"IsNoZero", "Kept and answered only; a table writes zero values as they are.", {}, "True or False.",
         kNeverFails},
        {"DoA_RcdRst", "Writes a recordset as a table: optional title, a header of field names, a row per record.",
         {{"strSheetName", kTableSheet},
          {"rst", "A recordset, read from its current row to its end."},
          {"Row", kTableRow},
          {"Col", kTableCol}},
         "True; the columns are fitted to their contents and the recordset is left at its end.",
         "False without a workbook, for a recordset without fields, a row or column the sheet refuses, or a "
         "data source error; what was written stays."},
        {"xmlWay",
         "How an XML table finds its columns: 0 attributes of the first record (default), 1 text of each "
         "field node, 2 attribute xmlFldKey of each field element, 3 as 2 with captions from attribute "
         "xmlFldAdo.",
         {}, "The mode.", kNeverFails},
        {"xmlFldKey", "Modes 2 and 3: the attribute of a field element that names the record attribute.", {},
         "The name.", kNeverFails},
        {"xmlFldAdo", "Mode 3: the attribute of a field element that holds the column caption.", {}, "The name.",
         kNeverFails},
        {"DoA_RcdXml0", "Writes XML elements as a table, a row per element, columns as xmlWay says.",
         {{"strSheetName", kTableSheet},
          {"pDataNodeList", "The record elements; each attribute is a value."},
          {"pFldNodeList", "The field nodes (modes 1 to 3); None in mode 0."},
          {"Row", kTableRow},
          {"Col", kTableCol}},
         "True.",
         "False for an empty or missing record list, no column found, a node that is not an element, or "
         "rows beyond 32,767; what was written stays."},
        {"DoA_RcdXml", "Loads an XML file and writes the elements a query selects as a table.",
         {{"strSheetName", kTableSheet},
          {"strXmlFile", "The XML file."},
          {"strRowQuery", "XPath query from the root element for the record elements."},
          {"strColQuery", "XPath query from the root element for the field nodes (modes 1 to 3)."},
          {"Row", kTableRow},
          {"Col", kTableCol}},
         "True.", "False when the file is missing or ill-formed, a query is refused, or as DoA_RcdXml0."},
    };
}

std::vector<MemberDoc> chartMembers() {
    return {
        {"CurBatObj", kCurBatObj, {}, kReference, kNeverFails},
        {"CurWk", kCurWk, {}, kReference, kNeverFails},
        {"CurSheet", "Kept and answered only; every chart member names its sheet.", {}, kReference, kNeverFails},
        {"CurChart", "The chart drawn last; DoA_SetStyle and DoA_SetTitle change it.", {}, kReference,
         kNeverFails},
        {"oSetGroupCount", "Sets the number of categories and empties their labels.",
         {{"nCount", "Number of categories, 0 or more."}}, "Nothing.", "Raises an error for a negative count."},
        {"oGetGroupCount", "The number of categories.", {{"bRangeGroup", "Has no effect."}}, "The count.",
         "-1 when the categories cannot be read."},
        {"oSetGroupIsSheetRange", "Whether the category labels are cell references (True) or texts (False).",
         {{"bRange", "True for references, False for texts."}}, "Nothing.", kNeverFails},
        {"oGetGroupIsSheetRange", "Whether the category labels are cell references.", {}, "True or False.",
         kNeverFails},
        {"oGetGroupName", "The label of one category.", {{"nIndex", kGroupIndex}}, "The label.",
         "\"\" for a slot outside the list."},
        {"oSetGroupName", "Sets the text label of one category; all labels become texts.",
         {{"nIndex", kGroupIndex}, {"strGroupName", "The label."}}, "True when stored.",
         "False for a slot outside the list."},
        {"oSetSeriesCount", "Sets the number of series and empties their names and values.",
         {{"nCount", "Number of series, 0 or more."}}, "Nothing.", "Raises an error for a negative count."},
        {"oGetSeriesCount", "The number of series.", {}, "The count.", kNeverFails},
        {"oGetSeriesName", "The name of one series.", {{"nIndex", kSeriesIndex}}, "The name.",
         "\"\" for a slot outside the list."},
        {"oSetSeriesName", "Sets the name of one series.", {{"nIndex", kSeriesIndex}, {"strSeriesName", "The name."}},
         "True when stored.", "False for a slot outside the list."},
        {"oSetSeriesValue", "Sets the values of one series as the chart source takes them.",
         {{"nIndex", kSeriesIndex},
          {"vtSeriesValue", "An array constant such as \"={1,2,3}\" or a reference such as \"=Data!R2C2:R4C2\"."}},
         "True when stored.", "False for a slot outside the list."},
        {"oSetSeriesValue_Data", "Sets the values of one series from an array of numbers.",
         {{"nIndex", kSeriesIndex},
          {"nGroupCount", "How many items of the array to take, from the first."},
          {"vtValueSet", "An array (a Python list) of numbers or number texts."},
          {"bRange", "True writes the values in round brackets, as a union of cells."}},
         "True when stored.",
         "False for a slot outside the list. Raises an error for an item that is no number or an array "
         "shorter than nGroupCount; nothing is stored then."},
        {"oSetRange_Sheet", "Chooses the sheet the reference setters use when they are given \"\".",
         {{"strSheetName", "The sheet name."}}, "Nothing.", kNeverFails},
        {"oSetSeriesValue_Range", "Sets the values of one series to a block of cells, by row and column.",
         {{"nIndex", kSeriesIndex},
          {"nRow", "First row of the block."},
          {"nCol", "First column of the block."},
          {"nRow1", "Last row of the block."},
          {"nCol1", "Last column of the block."},
          {"strSheet", kRangeSheet}},
         "True when stored.", "False for a slot outside the list."},
        {"oSetSeriesValue_Range1", "Sets the values of one series to a block of cells, by A1 addresses.",
         {{"nIndex", kSeriesIndex},
          {"strPos", "First cell of the block, such as \"B4\"."},
          {"strPos1", "Last cell of the block, such as \"B6\"."},
          {"strSheet", kRangeSheet}},
         "True when stored.", "False for a slot outside the list or an address that is no cell."},
        {"oSetSeriesName_Range", "Takes the name of one series from a cell, by row and column.",
         {{"nIndex", kSeriesIndex}, {"nRow", kRow}, {"nCol", kCol}, {"strSheet", kRangeSheet}}, "True when stored.",
         "False for a slot outside the list."},
        {"oSetSeriesName_Range1", "Takes the name of one series from a cell, by A1 address.",
         {{"nIndex", kSeriesIndex}, {"strPos", kA1}, {"strSheet", kRangeSheet}}, "True when stored.",
         "False for a slot outside the list or an address that is no cell."},
        {"oSetGroupName_Range", "Takes the label of one category from a cell, by row and column; all labels "
         "become references.",
         {{"nIndex", kGroupIndex}, {"nRow", kRow}, {"nCol", kCol}, {"strSheet", kRangeSheet}}, "True when stored.",
         "False for a slot outside the list."},
        {"oSetGroupName_Range1", "Takes the label of one category from a cell, by A1 address; all labels "
         "become references.",
         {{"nIndex", kGroupIndex}, {"strPos", kA1}, {"strSheet", kRangeSheet}}, "True when stored.",
         "False for a slot outside the list or an address that is no cell."},
        {"DoA_SetStyle", "Sets the legend, the data table and the data labels of CurChart.",
         {{"nDataLableFlag",
           "Data label type: -4142 none, 2 value, 3 percent, 4 label, 5 label and percent, 6 bubble size."},
          {"bDataLableLegend", "True shows the legend key beside each label."},
          {"bHasLegend", "Show the legend (default True)."},
          {"bHasDataTable", "Show a data table under the plot (default False)."}},
         "Nothing; without a CurChart nothing changes.",
         "Raises an error for a label type the chart refuses; the legend and data table stay set."},
        {"DoA_SetTitle", "Sets the title of CurChart.", {{"strTitle", "The title; \"\" leaves the title as it is."}},
         "Nothing.", "Raises an error when the chart refuses the title."},
        {"DoA_Chart", "Draws the series and categories the object holds as a chart.",
         {{"strSheet",
           "A chart sheet of that name, or the worksheet holding the embedded chart strChart; created when "
           "missing and registered with the job."},
          {"eChartType",
           "Chart type: 51 clustered columns, 52 stacked columns, 57 bars, 4 lines, 65 lines with markers, 5 "
           "pie, -4120 doughnut, 1 area, -4169 scatter, -4151 radar; 0 keeps the type (new charts: columns)."},
          {"strChart", "Name of an embedded chart on worksheet strSheet; \"\" draws on a chart sheet."}},
         "True; the chart becomes CurChart. A pie keeps only the first series.",
         "False when there is no series, no workbook, or no chart could be made."},
        {"DoA_ChartFromRange_SetData", "Chooses a block of cells, by row and column, for DoA_ChartFromRange.",
         {{"strSheet", "The worksheet holding the block."},
          {"nRow", "First row."},
          {"nCol", "First column."},
          {"nRow1", "Last row; 0 takes the single cell."},
          {"nCol1", "Last column; 0 takes the single cell."}},
         "True when the block exists.", "False without a workbook or for a missing sheet."},
        {"DoA_ChartFromRange_SetData1", "Chooses a block of cells, by A1 addresses, for DoA_ChartFromRange.",
         {{"strSheet", "The worksheet holding the block."},
          {"strPos", "First cell, or the whole block as \"A3:C6\"."},
          {"strPos1", "Last cell; \"\" when strPos names the block."}},
         "True when the block exists.", "False without a workbook, for a missing sheet or a bad address."},
        {"DoA_ChartFromRange", "Draws the block chosen by DoA_ChartFromRange_SetData as a chart.",
         {{"strSheet", "As for DoA_Chart."},
          {"bCol", "True (default): a series per column; False: a series per row."},
          {"eChartType", "As for DoA_Chart."},
          {"strChart", "As for DoA_Chart."}},
         "True; the chart becomes CurChart (empty when no block was chosen).",
         "False without a workbook or when no chart could be made."},
        {"DoA_OutputString", "Writes a text into a cell of a worksheet, by row and column.",
         {{"nRow", kRow}, {"nCol", kCol}, {"strValue", kCellText}, {"strSheet", kSheetText}},
         "True when written.",
         "False for a missing sheet. Raises an error for a row or column of 0, beyond the sheet or beyond 32,767."},
        {"DoA_OutputString1", "Writes a text into a cell of a worksheet, by A1 address.",
         {{"strPos", kA1}, {"strValue", kCellText}, {"strSheet", kSheetText}}, "True when written.",
         "False for a missing sheet. Raises an error for an address that is no cell."},
        {"DoA_ReplaceText", "Replaces a text wherever it stands in the cells of a worksheet.",
         {{"strName", "The text to find, letter case ignored."}, {"strValue", "Its replacement."},
          {"strSheet", kSheetText}},
         "The number of cells rewritten.", "0 for a missing sheet; cells rewritten before a failure stay."},
        {"DoA_ReplaceWhiteDot", "Replaces the placeholder %strName% in the cells of a worksheet.",
         {{"strName", "The placeholder name without the % signs."}, {"strValue", "Its replacement."},
          {"strSheet", kSheetText}},
         "The number of cells rewritten.", "0 for a missing sheet; cells rewritten before a failure stay."},
    };
}

std::vector<ClassDoc> buildClassDocs() {
    return {
        {"CExcelBatDo",
         "The job: copies the template, opens it, and at the end deletes unused sheets, saves and closes.",
         batDoMembers()},
        {"CExcelTmplPrintOne", "Fills the %Name% placeholders of one sheet from one record.", printOneMembers()},
        {"CExcelTmplPrintBat", "Lays a list of records into the row blocks of a list template.",
         printBatMembers()},
        {"CExcelOutputRcd", "Writes a recordset or XML elements as a formatted table.", outputRcdMembers()},
        {"CExcelChart", "Builds charts from held series or from a block of cells, and writes sheet texts.",
         chartMembers()},
    };
}

}  // namespace

const std::vector<ClassDoc>& classDocs() {
    static const std::vector<ClassDoc> docs = buildClassDocs();
    return docs;
}

const ClassDoc* findClassDoc(std::string_view coclassName) {
    for (const auto& doc : classDocs()) {
        if (doc.coclassName == coclassName) return &doc;
    }
    return nullptr;
}

const MemberDoc* findMemberDoc(std::string_view coclassName, std::string_view memberName) {
    const ClassDoc* classDoc = findClassDoc(coclassName);
    if (!classDoc) return nullptr;
    const std::string wanted = com::upperCase(memberName);
    for (const auto& member : classDoc->members) {
        if (com::upperCase(member.name) == wanted) return &member;
    }
    return nullptr;
}

}  // namespace tavlora::server
