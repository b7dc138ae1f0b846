// The invoice job done with exceljs: per invoice, readFile of the template, the %Name% placeholders
// it finds replaced, the 30 lines written, the control row and column cleared, writeFile. exceljs
// does not keep charts, so its invoices come out without the chart. The data of invoice n is
// computed as invoice_data in invoice_inputs.py computes it.
// Usage: node exceljs_invoice.js TEMPLATE OUT_FOLDER COUNT
'use strict';
const path = require('path');
const ExcelJS = require('exceljs');

const PLACEHOLDERS = ['InvoiceNo', 'InvoiceDate', 'DueDate', 'OrderNo', 'Reference', 'Terms', 'Currency',
  'Customer', 'Street', 'City', 'Zip', 'Country', 'VatId', 'Contact', 'Phone', 'Email', 'Seller',
  'SellerStreet', 'SellerCity', 'SellerBank'];
const FIRST_LINE_ROW = 16;

const pad = (value, width) => String(value).padStart(width, '0');

function invoiceData(n) {
  const values = {};
  for (const name of PLACEHOLDERS) values[name] = `${name} ${n}`;
  values.InvoiceNo = `INV-${pad(n, 6)}`;
  values.InvoiceDate = `2024-${pad(n % 12 + 1, 2)}-${pad(n % 28 + 1, 2)}`;
  const lines = [];
  for (let k = 1; k <= 30; ++k) {
    const qty = (n * 7 + k * 3) % 20 + 1;
    const price = Math.round((((n * 13 + k * 17) % 500) / 4 + 0.5) * 100) / 100;
    lines.push([k, `Product ${pad((n + k * 11) % 1000, 3)}`, qty, price, Math.round(qty * price * 100) / 100]);
  }
  return { values, lines };
}

async function fill(template, out, n) {
  const { values, lines } = invoiceData(n);
  const workbook = new ExcelJS.Workbook();
  await workbook.xlsx.readFile(template);
  const sheet = workbook.getWorksheet('Invoice');
  sheet.eachRow((row) => {
    row.eachCell((cell) => {
      const text = cell.value;
      if (typeof text === 'string' && text.indexOf('%') !== text.lastIndexOf('%')) {
        const name = text.slice(text.indexOf('%') + 1, text.lastIndexOf('%'));
        cell.value = values[name] === undefined ? '' : values[name];
      }
    });
  });
  lines.forEach((line, r) => {
    const row = sheet.getRow(FIRST_LINE_ROW + r);
    line.forEach((value, c) => { row.getCell(2 + c).value = value; });
  });
  sheet.getRow(1).eachCell((cell) => { cell.value = null; });
  sheet.getColumn(1).eachCell((cell) => { cell.value = null; });
  await workbook.xlsx.writeFile(out);
}

async function main() {
  const [template, folder, countText] = process.argv.slice(2);
  const count = Number(countText);
  const start = process.hrtime.bigint();
  for (let n = 0; n < count; ++n) await fill(template, path.join(folder, `invoice_${n}.xlsx`), n);
  const seconds = Number(process.hrtime.bigint() - start) / 1e9;
  console.log(JSON.stringify({ seconds, reports_per_second: count / seconds }));
}

main().catch((error) => { console.error(error); process.exit(1); });
