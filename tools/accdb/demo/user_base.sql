-- A driving school's database as release 3.1 left it: the upgrade steps add the missing
-- tables and columns. Opened with the main-database password.
CREATE TABLE gruppa (gruppa_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, gruppa_name VARCHAR(100));
INSERT INTO gruppa (gruppa_name) VALUES ('Группа 1-В');
INSERT INTO gruppa (gruppa_name) VALUES ('Группа 2-С');

CREATE TABLE grafik_hours (grafik_hours_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, grafik_hours_name VARCHAR(100), hours INTEGER);
INSERT INTO grafik_hours (grafik_hours_name, hours) VALUES ('Стандартный', 56);

CREATE TABLE student (student_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, gruppa_id INTEGER,
  student_fam VARCHAR(100), student_name VARCHAR(100), student_otch VARCHAR(100), student_birthday DATETIME);
INSERT INTO student (gruppa_id, student_fam, student_name, student_otch, student_birthday)
  VALUES (1, 'Иванов', 'Пётр', 'Сергеевич', '2004-05-17');
INSERT INTO student (gruppa_id, student_fam, student_name, student_otch, student_birthday)
  VALUES (2, 'Ковалёва', 'Анна', 'Игоревна', '2003-11-02');

CREATE TABLE teach_obj (teach_obj_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, teach_obj_name VARCHAR(255),
  teach_obj_cycle VARCHAR(255), teach_obj_sokr VARCHAR(255));
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr) VALUES ('Основы законодательства в сфере дорожного движения', 'Базовый', 'ОЗДД');
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr) VALUES ('Вождение транспортных средств категории «B»', 'Специальный', 'ВТС');

CREATE TABLE category_tc (category_tc_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, category_tc_name VARCHAR(255),
  category_tc_description VARCHAR(255), category_tc_gibdd VARCHAR(255));
INSERT INTO category_tc (category_tc_name, category_tc_description) VALUES ('ВУС-124', 'Водитель автомобиля');
INSERT INTO category_tc (category_tc_name, category_tc_description) VALUES ('ВУС-845', 'Переподготовка военных водителей');
INSERT INTO category_tc (category_tc_name, category_tc_description) VALUES ('ВУС-846', 'Водитель автопоезда');

CREATE TABLE edu_plan (edu_plan_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, category_tc_id INTEGER, teach_obj_id INTEGER,
  edu_plan_theory INTEGER, edu_plan_lpz INTEGER, edu_plan_practice INTEGER, edu_plan_prom_attest INTEGER);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest)
  VALUES (1, 1, 40, 16, 0, 2);

CREATE TABLE obob_uch_plan (obob_uch_plan_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, category_tc_id INTEGER,
  obob_name VARCHAR(255), obob_hours INTEGER);
INSERT INTO obob_uch_plan (category_tc_id, obob_name, obob_hours) VALUES (1, 'Теоретическое обучение', 130);

CREATE TABLE diploma (diploma_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, student_id INTEGER, diploma_num VARCHAR(50));
INSERT INTO diploma (student_id, diploma_num) VALUES (1, 'АА 000123');

CREATE TABLE car (car_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, car_name VARCHAR(100), car_number VARCHAR(20));
INSERT INTO car (car_name, car_number) VALUES ('ВАЗ-2107', 'А123ВС');
INSERT INTO car (car_name, car_number) VALUES ('КамАЗ-5320', 'Е777КХ');

CREATE TABLE prepod (prepod_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, prepod_fam VARCHAR(100), prepod_name VARCHAR(100));
INSERT INTO prepod (prepod_fam, prepod_name) VALUES ('Смирнов', 'Олег');

CREATE TABLE Instruktor (Instruktor_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, Instruktor_fam VARCHAR(100), Instruktor_name VARCHAR(100));
INSERT INTO Instruktor (Instruktor_fam, Instruktor_name) VALUES ('Кузнецов', 'Андрей');
