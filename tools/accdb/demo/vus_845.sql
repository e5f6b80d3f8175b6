-- res/vus_845.accdb: the training plan of "ВУС-845 (переподготовка с B на D)".
-- Opened with the plan-database password.
CREATE TABLE teach_obj (teach_obj_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, teach_obj_name VARCHAR(255),
  teach_obj_cycle VARCHAR(255), teach_obj_sokr VARCHAR(255), teach_drive BIT, teach_crypt VARCHAR(255));
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr, teach_drive, teach_crypt)
  VALUES ('Основы законодательства в сфере дорожного движения', 'Базовый', 'ОЗДД', false, '01');
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr, teach_drive, teach_crypt)
  VALUES ('Устройство и техническое обслуживание транспортных средств категории «D»', 'Специальный', 'УТО', false, '02');
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr, teach_drive, teach_crypt)
  VALUES ('Вождение транспортных средств категории «D»', 'Специальный', 'ВТС-D', true, '03');

CREATE TABLE category_tc (category_tc_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, category_tc_name VARCHAR(255),
  category_tc_description VARCHAR(255), category_tc_gibdd VARCHAR(255));
INSERT INTO category_tc (category_tc_name, category_tc_description, category_tc_gibdd)
  VALUES ('ВУС-845 (переподготовка с B на D)', 'Профессиональная подготовка военных водителей транспортных средств - переподготовка с категории «B» на категорию «D»', 'Переподготовка с категории «B» на категорию «D»');

CREATE TABLE edu_plan (edu_plan_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, category_tc_id INTEGER, teach_obj_id INTEGER,
  edu_plan_theory INTEGER, edu_plan_lpz INTEGER, edu_plan_practice INTEGER, edu_plan_prom_attest INTEGER);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (1, 1, 12, 4, 0, 1);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (1, 2, 20, 8, 0, 1);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (1, 3, 0, 0, 40, 2);
