-- An online shop: customers with addresses, a category tree, products with
-- JSON attributes and images, orders with numbered lines, shipments of order
-- lines (a two-column foreign key) and reviews.
create table customer (
  customer_id bigint unsigned auto_increment primary key,
  email varchar(120) not null unique,
  first_name varchar(40) not null,
  last_name varchar(60) not null,
  phone varchar(24),
  is_active tinyint(1) not null default 1,
  newsletter boolean,
  loyalty_points int unsigned not null default 0,
  created_at datetime(6) not null default current_timestamp(6),
  preferences json
);

create table address (
  address_id int auto_increment primary key,
  customer_id bigint unsigned not null,
  street varchar(100) not null,
  city varchar(60) not null,
  zip varchar(10),
  country char(2) not null,
  is_default tinyint(1) not null default 0,
  foreign key (customer_id) references customer (customer_id) on delete cascade
);

create table category (
  category_id int auto_increment primary key,
  name varchar(50) not null unique,
  parent_id int,
  slug varchar(60) not null,
  foreign key (parent_id) references category (category_id)
);

create table product (
  product_id int auto_increment primary key,
  sku char(12) not null unique,
  name varchar(100) not null,
  category_id int not null,
  price decimal(10, 2) not null check (price > 0),
  cost decimal(12, 4),
  weight_kg float,
  stock mediumint unsigned not null default 0,
  attributes json,
  image mediumblob,
  thumbnail tinyblob,
  sizes set('XS', 'S', 'M', 'L', 'XL'),
  created date not null,
  public_id uuid not null unique,
  foreign key (category_id) references category (category_id)
);

create table orders (
  order_id bigint unsigned auto_increment primary key,
  customer_id bigint unsigned not null,
  shipping_address_id int,
  status enum('new', 'paid', 'shipped', 'cancelled') not null default 'new',
  ordered_at datetime not null,
  total decimal(12, 2) not null default 0 check (total >= 0),
  note text,
  foreign key (customer_id) references customer (customer_id),
  foreign key (shipping_address_id) references address (address_id)
);

create table order_item (
  order_id bigint unsigned not null,
  line_no smallint not null check (line_no > 0),
  product_id int not null,
  quantity int not null check (quantity between 1 and 100),
  unit_price decimal(10, 2) not null,
  primary key (order_id, line_no),
  foreign key (order_id) references orders (order_id),
  foreign key (product_id) references product (product_id)
);

create table shipment (
  shipment_id int auto_increment primary key,
  order_id bigint unsigned not null,
  line_no smallint not null,
  carrier varchar(30) not null,
  tracking_no char(36),
  shipped_on date,
  foreign key (order_id, line_no) references order_item (order_id, line_no)
);

create table review (
  review_id int auto_increment primary key,
  product_id int not null,
  customer_id bigint unsigned,
  rating tinyint unsigned not null check (rating between 1 and 5),
  title varchar(80),
  body text,
  helpful_votes smallint unsigned not null default 0,
  posted_at timestamp not null default current_timestamp,
  foreign key (product_id) references product (product_id),
  foreign key (customer_id) references customer (customer_id)
);
