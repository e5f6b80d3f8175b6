-- res/MainBase.accdb: the new main database shipped with the update. UpdateBase_QN appends the
-- vehicles, teachers and instructors of a driving school to a working copy and marks them
-- with the _qn flags. Opened with the main-database password.
CREATE TABLE car (car_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, car_name VARCHAR(100), car_number VARCHAR(20), car_qn BIT);
CREATE TABLE prepod (prepod_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, prepod_fam VARCHAR(100), prepod_name VARCHAR(100), prepod_qn BIT);
CREATE TABLE Instruktor (Instruktor_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, Instruktor_fam VARCHAR(100),
  Instruktor_name VARCHAR(100), Instruktor_qn BIT);
INSERT INTO prepod (prepod_fam, prepod_name, prepod_qn) VALUES ('Администратор', 'Системный', true);

-- Reference lists of the new release.
CREATE TABLE category_tc (category_tc_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, category_tc_name VARCHAR(255),
  category_tc_description VARCHAR(255), category_tc_gibdd VARCHAR(255));
INSERT INTO category_tc (category_tc_name, category_tc_description, category_tc_gibdd) VALUES ('A', 'Мотоциклы', 'Категория «A»');
INSERT INTO category_tc (category_tc_name, category_tc_description, category_tc_gibdd) VALUES ('B', 'Легковые автомобили', 'Категория «B»');
INSERT INTO category_tc (category_tc_name, category_tc_description, category_tc_gibdd) VALUES ('C', 'Грузовые автомобили', 'Категория «C»');
INSERT INTO category_tc (category_tc_name, category_tc_description, category_tc_gibdd) VALUES ('D', 'Автобусы', 'Категория «D»');
INSERT INTO category_tc (category_tc_name, category_tc_description, category_tc_gibdd) VALUES ('CE', 'Автопоезда', 'Категория «CE»');

CREATE TABLE spravka (spravka_id AUTOINCREMENT PRIMARY KEY, spravka_type VARCHAR(255), spravka_text VARCHAR(255), spravka_sokr VARCHAR(255));
INSERT INTO spravka (spravka_type, spravka_text) VALUES ('kvitancia', 'Оплата за обучение в автошколе');
INSERT INTO spravka (spravka_type, spravka_text) VALUES ('prihodnokassoviy', 'Оплата за обучение в автошколе');
INSERT INTO spravka (spravka_type, spravka_text) VALUES ('platejka', 'Оплата за обучение в автошколе');
