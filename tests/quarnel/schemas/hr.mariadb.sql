-- Human resources: regions, countries and locations; departments and
-- employees that refer to each other (a department's manager is an
-- employee, an employee works in a department) and employees that report to
-- employees; jobs with their history, projects keyed by code and department,
-- and assignments of employees to projects through that two-column key.
create table region (
  region_id integer primary key,
  region_name varchar(40) not null unique
);

create table country (
  country_id char(2) primary key,
  country_name varchar(60) not null,
  region_id integer not null references region (region_id)
);

create table location (
  location_id int auto_increment primary key,
  street_address varchar(80),
  postal_code varchar(12),
  city varchar(60) not null,
  state_province varchar(40),
  country_id char(2) not null references country (country_id)
);

create table job (
  job_id varchar(10) primary key,
  job_title varchar(60) not null,
  min_salary numeric(8, 2) check (min_salary > 0),
  max_salary numeric(8, 2)
);

create table department (
  department_id int auto_increment primary key,
  department_name varchar(60) not null unique,
  manager_id integer,
  location_id integer references location (location_id),
  budget numeric(12, 2) check (budget >= 0)
);

create table employee (
  employee_id int auto_increment primary key,
  first_name varchar(30),
  last_name varchar(40) not null,
  email varchar(80) not null unique,
  phone_number varchar(24),
  hire_date date not null,
  job_id varchar(10) not null references job (job_id),
  salary numeric(8, 2) not null check (salary > 0),
  commission_pct numeric(2, 2) check (commission_pct >= 0),
  manager_id integer references employee (employee_id),
  department_id integer references department (department_id),
  is_remote tinyint(1) not null default false,
  skills json
);

alter table department add constraint department_manager_fk foreign key (manager_id) references employee (employee_id);

create table job_history (
  employee_id integer not null references employee (employee_id),
  start_date date not null,
  end_date date not null,
  job_id varchar(10) not null references job (job_id),
  department_id integer references department (department_id),
  primary key (employee_id, start_date)
);

create table project (
  project_code char(6) not null,
  department_id integer not null references department (department_id),
  title varchar(80) not null,
  starts_on date,
  primary key (project_code, department_id)
);

create table assignment (
  employee_id integer not null references employee (employee_id),
  project_code char(6) not null,
  department_id integer not null,
  role varchar(20) check (role in ('lead', 'member', 'reviewer')),
  hours numeric(5, 1) check (hours between 0 and 2000),
  primary key (employee_id, project_code, department_id),
  foreign key (project_code, department_id) references project (project_code, department_id)
);
