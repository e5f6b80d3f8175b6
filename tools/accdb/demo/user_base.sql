-- A driving school's database as release 3.1 left it (in/Avtoshkola.accdb of the demo): the
-- upgrade steps add the missing tables and columns. Opened with the main-database password.
CREATE TABLE gruppa (gruppa_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, gruppa_name VARCHAR(100));
INSERT INTO gruppa (gruppa_name) VALUES ('Группа 1-В');
INSERT INTO gruppa (gruppa_name) VALUES ('Группа 2-С');
INSERT INTO gruppa (gruppa_name) VALUES ('Группа 3-ВУС-845');

CREATE TABLE grafik_hours (grafik_hours_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, grafik_hours_name VARCHAR(100), hours INTEGER);
INSERT INTO grafik_hours (grafik_hours_name, hours) VALUES ('Стандартный', 56);
INSERT INTO grafik_hours (grafik_hours_name, hours) VALUES ('Ускоренный', 40);

CREATE TABLE student (student_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, gruppa_id INTEGER,
  student_fam VARCHAR(100), student_name VARCHAR(100), student_otch VARCHAR(100), student_birthday DATETIME);
INSERT INTO student (gruppa_id, student_fam, student_name, student_otch, student_birthday)
  VALUES (1, 'Иванов', 'Пётр', 'Сергеевич', '2004-05-17');
INSERT INTO student (gruppa_id, student_fam, student_name, student_otch, student_birthday)
  VALUES (2, 'Ковалёва', 'Анна', 'Игоревна', '2003-11-02');
INSERT INTO student (gruppa_id, student_fam, student_name, student_otch, student_birthday)
  VALUES (3, 'Лукашевич', 'Дмитрий', 'Андреевич', '2001-02-09');

-- Training subjects; teach_drive and teach_crypt come with AddColumnTeach_obj.
CREATE TABLE teach_obj (teach_obj_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, teach_obj_name VARCHAR(255),
  teach_obj_cycle VARCHAR(255), teach_obj_sokr VARCHAR(255));
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr) VALUES ('Основы законодательства в сфере дорожного движения', 'Базовый', 'ОЗДД');
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr) VALUES ('Психофизиологические основы деятельности водителя', 'Базовый', 'ПФО');
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr) VALUES ('Первая помощь при дорожно-транспортном происшествии', 'Базовый', 'ПП');
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr) VALUES ('Устройство и техническое обслуживание транспортных средств категории «B»', 'Специальный', 'УТО-B');
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr) VALUES ('Вождение транспортных средств категории «B»', 'Практический', 'ВТС-B');

-- Specialities: the military ones (ВУС) and the licence categories. The licence letters are Latin.
CREATE TABLE category_tc (category_tc_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, category_tc_name VARCHAR(255),
  category_tc_description VARCHAR(255), category_tc_gibdd VARCHAR(255));
INSERT INTO category_tc (category_tc_name, category_tc_description) VALUES ('ВУС-124', 'Водитель автомобиля общего назначения');
INSERT INTO category_tc (category_tc_name, category_tc_description) VALUES ('ВУС-280', 'Водитель бронетранспортёра');
INSERT INTO category_tc (category_tc_name, category_tc_description) VALUES ('ВУС-283', 'Водитель боевой машины');
INSERT INTO category_tc (category_tc_name, category_tc_description) VALUES ('ВУС-837', 'Водитель автомобиля');
INSERT INTO category_tc (category_tc_name, category_tc_description) VALUES ('ВУС-837 э/м', 'Водитель-электромеханик');
INSERT INTO category_tc (category_tc_name, category_tc_description) VALUES ('ВУС-838', 'Водитель автомобиля повышенной проходимости');
INSERT INTO category_tc (category_tc_name, category_tc_description) VALUES ('ВУС-845', 'Переподготовка военных водителей');
INSERT INTO category_tc (category_tc_name, category_tc_description) VALUES ('ВУС-846', 'Водитель автопоезда');
INSERT INTO category_tc (category_tc_name, category_tc_description) VALUES ('ВУС-859', 'Водитель-заправщик');
INSERT INTO category_tc (category_tc_name, category_tc_description) VALUES ('ВУС-982', 'Водитель тягача');
INSERT INTO category_tc (category_tc_name, category_tc_description, category_tc_gibdd) VALUES ('B', 'Легковые автомобили', 'Категория «B»');
INSERT INTO category_tc (category_tc_name, category_tc_description, category_tc_gibdd) VALUES ('C', 'Грузовые автомобили', 'Категория «C»');

CREATE TABLE edu_plan (edu_plan_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, category_tc_id INTEGER, teach_obj_id INTEGER,
  edu_plan_theory INTEGER, edu_plan_lpz INTEGER, edu_plan_practice INTEGER, edu_plan_prom_attest INTEGER);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (11, 1, 40, 16, 0, 2);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (11, 2, 12, 4, 0, 1);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (11, 3, 8, 8, 0, 1);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (11, 4, 14, 4, 0, 1);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (11, 5, 0, 0, 56, 2);

CREATE TABLE obob_uch_plan (obob_uch_plan_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, category_tc_id INTEGER,
  obob_name VARCHAR(255), obob_hours INTEGER);
INSERT INTO obob_uch_plan (category_tc_id, obob_name, obob_hours) VALUES (11, 'Теоретическое обучение', 130);
INSERT INTO obob_uch_plan (category_tc_id, obob_name, obob_hours) VALUES (11, 'Практическое обучение', 56);

CREATE TABLE diploma (diploma_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, student_id INTEGER, diploma_num VARCHAR(50));
INSERT INTO diploma (student_id, diploma_num) VALUES (1, 'АА 000123');

CREATE TABLE car (car_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, car_name VARCHAR(100), car_number VARCHAR(20));
INSERT INTO car (car_name, car_number) VALUES ('ВАЗ-2107', '1234 АВ-5');
INSERT INTO car (car_name, car_number) VALUES ('МАЗ-5337', '7777 КХ-5');
INSERT INTO car (car_name, car_number) VALUES ('ПАЗ-3205', '0456 ЕС-5');

CREATE TABLE prepod (prepod_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, prepod_fam VARCHAR(100), prepod_name VARCHAR(100));
INSERT INTO prepod (prepod_fam, prepod_name) VALUES ('Смирнов', 'Олег');
INSERT INTO prepod (prepod_fam, prepod_name) VALUES ('Жук', 'Татьяна');

CREATE TABLE Instruktor (Instruktor_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, Instruktor_fam VARCHAR(100), Instruktor_name VARCHAR(100));
INSERT INTO Instruktor (Instruktor_fam, Instruktor_name) VALUES ('Кузнецов', 'Андрей');
INSERT INTO Instruktor (Instruktor_fam, Instruktor_name) VALUES ('Новик', 'Сергей');
