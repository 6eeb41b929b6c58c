-- An online shop: customers with addresses, a category tree, products with
-- JSON attributes and images, orders with numbered lines, shipments of order
-- lines (a two-column foreign key) and reviews.
create table customer (
  customer_id bigint generated always as identity primary key,
  email varchar(120) not null unique,
  first_name varchar(40) not null,
  last_name varchar(60) not null,
  phone varchar(24),
  is_active boolean not null default true,
  newsletter boolean,
  loyalty_points integer not null default 0 check (loyalty_points >= 0),
  created_at timestamptz not null default now(),
  preferences jsonb
);

create table address (
  address_id serial primary key,
  customer_id bigint not null references customer (customer_id) on delete cascade,
  street varchar(100) not null,
  city varchar(60) not null,
  zip varchar(10),
  country char(2) not null,
  is_default boolean not null default false
);

create table category (
  category_id serial primary key,
  name varchar(50) not null unique,
  parent_id integer references category (category_id),
  slug varchar(60) not null
);

create table product (
  product_id serial primary key,
  sku char(12) not null unique,
  name varchar(100) not null,
  category_id integer not null references category (category_id),
  price numeric(10, 2) not null check (price > 0),
  cost numeric,
  weight_kg real,
  attributes json,
  image bytea,
  tags text[],
  created date not null default current_date,
  public_id uuid not null unique
);

create table orders (
  order_id bigserial primary key,
  customer_id bigint not null references customer (customer_id),
  shipping_address_id integer references address (address_id),
  status varchar(12) not null default 'new' check (status in ('new', 'paid', 'shipped', 'cancelled')),
  ordered_at timestamp not null,
  total numeric(12, 2) not null default 0 check (total >= 0),
  note text
);

create table order_item (
  order_id bigint not null references orders (order_id),
  line_no smallint not null check (line_no > 0),
  product_id integer not null references product (product_id),
  quantity integer not null check (quantity between 1 and 100),
  unit_price numeric(10, 2) not null,
  primary key (order_id, line_no)
);

create table shipment (
  shipment_id serial primary key,
  order_id bigint not null,
  line_no smallint not null,
  carrier varchar(30) not null,
  tracking_no uuid,
  shipped_on date,
  foreign key (order_id, line_no) references order_item (order_id, line_no)
);

create table review (
  review_id serial primary key,
  product_id integer not null references product (product_id),
  customer_id bigint references customer (customer_id),
  rating smallint not null check (rating between 1 and 5),
  title varchar(80),
  body text,
  helpful_votes integer not null default 0,
  posted_at timestamptz not null default now()
);
