-- A film rental business: films with a rating enum, a release year, a set of
-- features and a generated column, actors and categories joined to films,
-- stores, customers, rentals, and payments partitioned by month. Triggers
-- keep last_update current on every update.
create table language (
  language_id tinyint unsigned auto_increment primary key,
  name char(20) not null,
  last_update timestamp not null default current_timestamp on update current_timestamp
);

create table actor (
  actor_id smallint unsigned auto_increment primary key,
  first_name varchar(45) not null,
  last_name varchar(45) not null,
  last_update timestamp not null default current_timestamp
);

create table category (
  category_id tinyint unsigned auto_increment primary key,
  name varchar(25) not null,
  last_update timestamp not null default current_timestamp
);

create table film (
  film_id smallint unsigned auto_increment primary key,
  title varchar(255) not null,
  title_key varchar(255) as (lower(title)) persistent,
  description text,
  release_year year,
  language_id tinyint unsigned not null,
  original_language_id tinyint unsigned,
  rental_duration tinyint unsigned not null default 3,
  rental_rate decimal(4, 2) not null default 4.99,
  length smallint unsigned,
  replacement_cost decimal(5, 2) not null default 19.99,
  rating enum('G', 'PG', 'PG-13', 'R', 'NC-17') default 'G',
  special_features set('Trailers', 'Commentaries', 'Deleted Scenes', 'Behind the Scenes'),
  last_update timestamp not null default current_timestamp,
  foreign key (language_id) references language (language_id),
  foreign key (original_language_id) references language (language_id),
  fulltext key film_text (title, description)
);

create table film_actor (
  actor_id smallint unsigned not null,
  film_id smallint unsigned not null,
  last_update timestamp not null default current_timestamp,
  primary key (actor_id, film_id),
  foreign key (actor_id) references actor (actor_id),
  foreign key (film_id) references film (film_id)
);

create table film_category (
  film_id smallint unsigned not null,
  category_id tinyint unsigned not null,
  last_update timestamp not null default current_timestamp,
  primary key (film_id, category_id),
  foreign key (film_id) references film (film_id),
  foreign key (category_id) references category (category_id)
);

create table store (
  store_id int auto_increment primary key,
  name varchar(60) not null,
  opens_at time not null,
  closes_at time(3) not null,
  last_update timestamp not null default current_timestamp
);

create table customer (
  customer_id int auto_increment primary key,
  store_id int not null,
  first_name varchar(45) not null,
  last_name varchar(45) not null,
  email varchar(120),
  activebool tinyint(1) not null default 1,
  create_date date not null,
  last_ip varchar(45),
  last_update timestamp null default current_timestamp,
  foreign key (store_id) references store (store_id)
);

create table inventory (
  inventory_id mediumint unsigned auto_increment primary key,
  film_id smallint unsigned not null,
  store_id int not null,
  last_update timestamp not null default current_timestamp,
  foreign key (film_id) references film (film_id),
  foreign key (store_id) references store (store_id)
);

create table rental (
  rental_id int auto_increment primary key,
  rental_date datetime(6) not null,
  inventory_id mediumint unsigned not null,
  customer_id int not null,
  return_date datetime,
  last_update timestamp not null default current_timestamp,
  foreign key (inventory_id) references inventory (inventory_id),
  foreign key (customer_id) references customer (customer_id)
);

create table payment (
  payment_id int auto_increment,
  customer_id int not null,
  rental_id int,
  amount decimal(5, 2) unsigned not null,
  payment_date date not null,
  primary key (payment_id, payment_date)
) partition by range columns (payment_date) (
  partition p2022_01 values less than ('2022-02-01'),
  partition p2022_02 values less than ('2022-03-01'),
  partition p2022_03 values less than ('2022-04-01'),
  partition p2022_04 values less than ('2022-05-01')
);

create trigger film_touch before update on film for each row set new.last_update = current_timestamp;
create trigger customer_touch before update on customer for each row set new.last_update = current_timestamp;
