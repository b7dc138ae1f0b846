// The benchmark jobs done with exceljs: readFile of the template (or a new workbook), write the
// cells, writeFile. Node.js has no SQLite module of its own here, so the records come from the
// JSON export that make_inputs.py writes; reading it is timed. Prints the seconds from load to
// saved as one line of JSON. Usage: node exceljs_jobs.js JOB INPUTS OUT ROWS
'use strict';
const fs = require('fs');
const path = require('path');
const ExcelJS = require('exceljs');

function fillListValue(row, column) {
  switch (column % 4) {
    case 0: return row * 10 + column;
    case 1: return row * 1.25 + column;
    case 2: return `Item ${row % 1000}`;
    default: return `Customer ${row}-${column}`;
  }
}

function records(inputs, rows) {
  const data = JSON.parse(fs.readFileSync(path.join(inputs, `sales_${rows}.json`), 'utf8'));
  return { fields: data.fields, rows: data.rows.slice(0, rows) };
}

async function fillList(inputs, out, rows) {
  const workbook = new ExcelJS.Workbook();
  await workbook.xlsx.readFile(path.join(inputs, 'list_template.xlsx'));
  const sheet = workbook.worksheets[0];
  for (let r = 0; r < rows; ++r) {
    const row = sheet.getRow(3 + r);
    for (let c = 1; c <= 10; ++c) row.getCell(c).value = fillListValue(r, c);
  }
  await workbook.xlsx.writeFile(out);
}

// Records into rows 4.. of columns B..K, the title placeholder filled, row 1 and column A deleted;
// the merged title and the totals formulas are moved by the script, as exceljs does not move them.
async function batch(inputs, out, rows) {
  const workbook = new ExcelJS.Workbook();
  await workbook.xlsx.readFile(path.join(inputs, 'batch_template.xlsx'));
  const sheet = workbook.getWorksheet('List');
  sheet.getCell('B2').value = 'Sales 2024';
  const data = records(inputs, rows);
  data.rows.forEach((record, r) => {
    const row = sheet.getRow(4 + r);
    record.forEach((value, c) => { row.getCell(2 + c).value = value; });
  });
  sheet.unMergeCells('B2:K2');
  sheet.spliceRows(1, 1);
  sheet.spliceColumns(1, 1);
  sheet.mergeCells('A1:J1');
  const total = 3 + rows;
  sheet.getCell(total, 5).value = { formula: `SUM(E3:E${total - 1})` };
  sheet.getCell(total, 7).value = { formula: `SUM(G3:G${total - 1})` };
  await workbook.xlsx.writeFile(out);
}

// Title, captions and records in the house style, the columns as wide as their longest text.
async function record(inputs, out, rows) {
  const workbook = new ExcelJS.Workbook();
  const sheet = workbook.addWorksheet('Sheet1', { properties: { defaultRowHeight: 16 } });
  const data = records(inputs, rows);
  const count = data.fields.length;
  sheet.mergeCells(1, 1, 1, count);
  const title = sheet.getCell(1, 1);
  title.value = 'Sales records';
  title.font = { name: '宋体', size: 18, bold: true };
  title.alignment = { horizontal: 'center', vertical: 'middle' };
  sheet.getRow(1).height = 48;
  sheet.getRow(2).height = 24;
  const widths = data.fields.map((name) => name.length);
  data.fields.forEach((name, c) => {
    const cell = sheet.getCell(2, c + 1);
    cell.value = name;
    cell.font = { name: '宋体', size: 16 };
    cell.alignment = { horizontal: 'center', vertical: 'middle' };
  });
  const font = { name: '宋体', size: 10 };
  const alignment = { horizontal: 'left', vertical: 'middle' };
  data.rows.forEach((values, r) => {
    const row = sheet.getRow(3 + r);
    values.forEach((value, c) => {
      const cell = row.getCell(c + 1);
      cell.value = value;
      cell.font = font;
      cell.numFmt = '@';
      cell.alignment = alignment;
      widths[c] = Math.max(widths[c], String(value).length);
    });
  });
  widths.forEach((width, c) => { sheet.getColumn(c + 1).width = width + 2; });
  await workbook.xlsx.writeFile(out);
}

async function main() {
  const [job, inputs, out, rowsText] = process.argv.slice(2);
  const rows = Number(rowsText);
  const start = process.hrtime.bigint();
  await { fill_list: fillList, batch, record }[job](inputs, out, rows);
  const seconds = Number(process.hrtime.bigint() - start) / 1e9;
  console.log(JSON.stringify({ seconds }));
}

main().catch((error) => { console.error(error); process.exit(1); });
