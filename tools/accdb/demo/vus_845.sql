-- res/vus_845.accdb: the training plan of "ВУС-845 (переподготовка с B на D)" (retraining of
-- military drivers from licence category B to D), and for comparison that of the older
-- C-to-D retraining. Opened with the plan-database password. Licence letters are Latin.
CREATE TABLE teach_obj (teach_obj_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, teach_obj_name VARCHAR(255),
  teach_obj_cycle VARCHAR(255), teach_obj_sokr VARCHAR(255), teach_drive BIT, teach_crypt VARCHAR(255));
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr, teach_drive, teach_crypt)
  VALUES ('Основы законодательства в сфере дорожного движения', 'Базовый', 'ОЗДД', false, '845.01');
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr, teach_drive, teach_crypt)
  VALUES ('Психофизиологические основы деятельности водителя', 'Базовый', 'ПФО', false, '845.02');
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr, teach_drive, teach_crypt)
  VALUES ('Первая помощь при дорожно-транспортном происшествии', 'Базовый', 'ПП', false, '845.03');
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr, teach_drive, teach_crypt)
  VALUES ('Устройство и техническое обслуживание транспортных средств категории «D» как объектов управления', 'Специальный', 'УТО-D', false, '845.04');
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr, teach_drive, teach_crypt)
  VALUES ('Основы управления транспортными средствами категории «D»', 'Специальный', 'ОУ-D', false, '845.05');
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr, teach_drive, teach_crypt)
  VALUES ('Организация и выполнение пассажирских перевозок автомобильным транспортом', 'Профессиональный', 'ОВПП', false, '845.06');
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr, teach_drive, teach_crypt)
  VALUES ('Вождение транспортных средств категории «D» (с механической трансмиссией)', 'Практический', 'ВТС-D', true, '845.07');
INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr, teach_drive, teach_crypt)
  VALUES ('Устройство и техническое обслуживание транспортных средств категории «D»', 'Специальный', 'УТО-CD', false, '846.04');

CREATE TABLE category_tc (category_tc_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, category_tc_name VARCHAR(255),
  category_tc_description VARCHAR(255), category_tc_gibdd VARCHAR(255));
INSERT INTO category_tc (category_tc_name, category_tc_description, category_tc_gibdd)
  VALUES ('ВУС-845 (переподготовка с C на D)', 'Профессиональная подготовка военных водителей транспортных средств - переподготовка с категории «C» на категорию «D»', 'Переподготовка с категории «С» на категорию «D»');
INSERT INTO category_tc (category_tc_name, category_tc_description, category_tc_gibdd)
  VALUES ('ВУС-845 (переподготовка с B на D)', 'Профессиональная подготовка военных водителей транспортных средств - переподготовка с категории «B» на категорию «D»', 'Переподготовка с категории «B» на категорию «D»');

-- Hours per subject: theory, practical lessons (ЛПЗ), driving practice, interim assessment.
CREATE TABLE edu_plan (edu_plan_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, category_tc_id INTEGER, teach_obj_id INTEGER,
  edu_plan_theory INTEGER, edu_plan_lpz INTEGER, edu_plan_practice INTEGER, edu_plan_prom_attest INTEGER);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (1, 8, 20, 6, 0, 1);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (1, 7, 0, 0, 24, 1);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (2, 1, 12, 4, 0, 1);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (2, 2, 6, 2, 0, 1);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (2, 3, 4, 4, 0, 1);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (2, 4, 26, 10, 0, 1);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (2, 5, 14, 6, 0, 1);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (2, 6, 10, 2, 0, 1);
INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest) VALUES (2, 7, 0, 0, 56, 2);
