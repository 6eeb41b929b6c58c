-- A small sales database for trying quarnel on MariaDB or MySQL (the SQLite schema of
-- demo-schema.sql with their types): customers who may refer
-- each other, products in categories, orders with their lines, and payments.

CREATE TABLE categories (
  category_id   INTEGER PRIMARY KEY AUTO_INCREMENT,
  name          VARCHAR(40) NOT NULL UNIQUE,
  description   VARCHAR(400)
);

CREATE TABLE customers (
  customer_id   INTEGER PRIMARY KEY AUTO_INCREMENT,
  first_name    VARCHAR(30) NOT NULL,
  last_name     VARCHAR(40) NOT NULL,
  email         VARCHAR(80),
  phone         CHAR(14),
  city          VARCHAR(50),
  country_code  CHAR(2),
  birth_date    DATE,
  credit_limit  NUMERIC(10,2) CHECK (credit_limit >= 0 AND credit_limit <= 50000),
  referred_by   INTEGER REFERENCES customers(customer_id),
  created_at    DATETIME NOT NULL,
  notes         TEXT
);

CREATE TABLE products (
  product_id    INTEGER PRIMARY KEY AUTO_INCREMENT,
  category_id   INTEGER NOT NULL REFERENCES categories(category_id),
  sku           CHAR(10) NOT NULL UNIQUE,
  name          VARCHAR(60) NOT NULL,
  price         DECIMAL(8,2) NOT NULL CHECK (price > 0),
  weight_kg     REAL,
  in_stock      SMALLINT NOT NULL DEFAULT 0 CHECK (in_stock BETWEEN 0 AND 10000),
  picture       BLOB
);

CREATE TABLE orders (
  order_id      INTEGER PRIMARY KEY AUTO_INCREMENT,
  customer_id   INTEGER NOT NULL REFERENCES customers(customer_id),
  order_date    DATE NOT NULL,
  ship_time     TIME,
  status        VARCHAR(10) NOT NULL CHECK (status IN ('NEW', 'PAID', 'SHIPPED', 'CLOSED')),
  total         NUMERIC(12,2)
);

CREATE TABLE order_lines (
  order_id      INTEGER NOT NULL REFERENCES orders(order_id),
  line_no       SMALLINT NOT NULL,
  product_id    INTEGER NOT NULL REFERENCES products(product_id),
  quantity      INTEGER NOT NULL CHECK (quantity >= 1),
  unit_price    DECIMAL(8,2) NOT NULL,
  PRIMARY KEY (order_id, line_no)
);

CREATE TABLE payments (
  payment_id    INTEGER PRIMARY KEY AUTO_INCREMENT,
  order_id      INTEGER NOT NULL REFERENCES orders(order_id),
  paid_at       DATETIME NOT NULL,
  amount        NUMERIC(12,2) NOT NULL,
  method        VARCHAR(12),
  reference     BIGINT
);
