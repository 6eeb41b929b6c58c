-- A film rental business: films with a rating list, a year range, features
-- and a full-text text, actors and categories joined to films, stores,
-- customers, rentals and payments. Triggers keep last_update current on
-- every update.
create table language (
  language_id integer primary key autoincrement,
  name char(20) not null,
  last_update timestamp not null default current_timestamp
);

create table actor (
  actor_id integer primary key autoincrement,
  first_name varchar(45) not null,
  last_name varchar(45) not null,
  last_update timestamp not null default current_timestamp
);

create table category (
  category_id integer primary key autoincrement,
  name varchar(25) not null,
  last_update timestamp not null default current_timestamp
);

create table film (
  film_id integer primary key autoincrement,
  title varchar(255) not null,
  title_key text generated always as (lower(title)) stored,
  description text,
  release_year year check (release_year >= 1901 and release_year <= 2155),
  language_id integer not null references language (language_id),
  original_language_id integer references language (language_id),
  rental_duration smallint not null default 3 check (rental_duration > 0),
  rental_rate decimal(4, 2) not null default 4.99,
  length smallint check (length > 0),
  replacement_cost decimal(5, 2) not null default 19.99,
  rating varchar(5) default 'G' check (rating in ('G', 'PG', 'PG-13', 'R', 'NC-17')),
  special_features text,
  fulltext text not null,
  last_update timestamp not null default current_timestamp
);

create table film_actor (
  actor_id integer not null references actor (actor_id),
  film_id integer not null references film (film_id),
  last_update timestamp not null default current_timestamp,
  primary key (actor_id, film_id)
);

create table film_category (
  film_id integer not null references film (film_id),
  category_id integer not null references category (category_id),
  last_update timestamp not null default current_timestamp,
  primary key (film_id, category_id)
);

create table store (
  store_id integer primary key autoincrement,
  name varchar(60) not null,
  opens_at time not null,
  closes_at time not null,
  last_update timestamp not null default current_timestamp
);

create table customer (
  customer_id integer primary key autoincrement,
  store_id integer not null references store (store_id),
  first_name varchar(45) not null,
  last_name varchar(45) not null,
  email varchar(120) check (email like '%_@_%'),
  activebool boolean not null default 1,
  create_date date not null default current_date,
  last_ip varchar(45),
  last_update timestamp default current_timestamp
);

create table inventory (
  inventory_id integer primary key autoincrement,
  film_id integer not null references film (film_id),
  store_id integer not null references store (store_id),
  last_update timestamp not null default current_timestamp
);

create table rental (
  rental_id integer primary key autoincrement,
  rental_date datetime not null,
  inventory_id integer not null references inventory (inventory_id),
  customer_id integer not null references customer (customer_id),
  return_date datetime,
  last_update timestamp not null default current_timestamp
);

create table payment (
  payment_id integer primary key autoincrement,
  customer_id integer not null references customer (customer_id),
  rental_id integer references rental (rental_id),
  amount decimal(5, 2) not null check (amount >= 0),
  payment_date date not null
);

create trigger film_touch after update on film for each row
  begin update film set last_update = current_timestamp where film_id = new.film_id; end;
create trigger customer_touch after update on customer for each row
  begin update customer set last_update = current_timestamp where customer_id = new.customer_id; end;
