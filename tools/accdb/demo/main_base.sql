-- res/MainBase.accdb: the new main database shipped with the update; receives the vehicles,
-- teachers and instructors of a driving school. Opened with the main-database password.
CREATE TABLE car (car_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, car_name VARCHAR(100), car_number VARCHAR(20), car_qn BIT);
CREATE TABLE prepod (prepod_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, prepod_fam VARCHAR(100), prepod_name VARCHAR(100), prepod_qn BIT);
CREATE TABLE Instruktor (Instruktor_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, Instruktor_fam VARCHAR(100),
  Instruktor_name VARCHAR(100), Instruktor_qn BIT);
INSERT INTO prepod (prepod_fam, prepod_name, prepod_qn) VALUES ('Администратор', 'Системный', true);
