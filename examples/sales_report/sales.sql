-- The data of the example report. Build the database with: sqlite3 sales.db < sales.sql
DROP TABLE IF EXISTS company;
DROP TABLE IF EXISTS orders;
DROP TABLE IF EXISTS monthly;
DROP VIEW IF EXISTS order_list;

CREATE TABLE company (
  Company TEXT, Period TEXT, Region TEXT, Total REAL
);
INSERT INTO company VALUES ('Nordlicht Handel GmbH', 'Q1 2026', 'Europe', 48210.5);

CREATE TABLE orders (
  OrderNo INTEGER PRIMARY KEY, OrderDate TEXT, Customer TEXT, Product TEXT, Qty INTEGER, Amount REAL
);
INSERT INTO orders VALUES
  (1001, '2026-01-08', 'Müller & Söhne', 'Desk lamp', 12, 359.4),
  (1002, '2026-01-19', 'Café Zürich', 'Espresso cups', 48, 441.6),
  (1003, '2026-02-02', 'Østfold Tre AS', 'Oak shelf', 3, 1047),
  (1004, '2026-02-11', '東京商事', 'Paper trays', 100, 890),
  (1005, '2026-02-27', 'Lyon Bureau', 'Office chair', 6, 2154),
  (1006, '2026-03-05', 'Porto Lda', 'Whiteboard', 2, 0),
  (1007, '2026-03-17', 'Kraków Druk', 'Toner', 20, 1580.8),
  (1008, '2026-03-30', 'Nordlicht Handel', 'Standing desk', 4, 3196);

-- The orders as the report lists them: a date-formatted cell shows a day number (days since
-- 1899-12-30) as a date, while a date text would stay text.
CREATE VIEW order_list AS
  SELECT OrderNo, julianday(OrderDate) - julianday('1899-12-30') AS OrderDate, Customer, Product, Qty, Amount
  FROM orders;

CREATE TABLE monthly (
  Month TEXT, Sales REAL, Cost REAL
);
INSERT INTO monthly VALUES
  ('Jan', 14200, 9100), ('Feb', 15350.5, 9800), ('Mar', 18660, 11240);
