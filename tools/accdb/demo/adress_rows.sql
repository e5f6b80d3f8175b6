-- Rows of a module's address base (run after adress.sql): the military-specialities module
-- of a school in Borisov. Most of them are shared with the other modules.
INSERT INTO region (region_name) VALUES ('Минская область');
INSERT INTO region (region_name) VALUES ('Брестская область');
INSERT INTO raion (raion_name, region_id) VALUES ('Борисовский район', 1);
INSERT INTO raion (raion_name, region_id) VALUES ('Крупский район', 1);
INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Борисов', 1);
INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Крупки', 2);
INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Старо-Борисов', 1);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Гагарина', 1);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Чапаева', 1);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Строителей', 1);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Черняховского', 1);
INSERT INTO grajdanstvo (grajdanstvo_name) VALUES ('Республика Беларусь');
INSERT INTO doc_type (doc_type_name) VALUES ('Паспорт гражданина Республики Беларусь');
INSERT INTO doc_type (doc_type_name) VALUES ('Военный билет');
INSERT INTO organ_passport (organ_passport_name) VALUES ('Борисовский РОВД Минской области');
INSERT INTO organ_passport (organ_passport_name) VALUES ('Крупский РОВД Минской области');
INSERT INTO nas_punkt_nazv (nas_punkt_nazv_name, nas_punkt_nazv_sokr) VALUES ('город', 'г.');
INSERT INTO medicine (medicine_name) VALUES ('Борисовская центральная районная больница');
INSERT INTO soato_adress (soato_id, soato_name) VALUES (6208, 'Борисовский район');
INSERT INTO birthdayPlace (birthdayPlace_name) VALUES ('г. Борисов Минской области');
INSERT INTO RegionMed (RegionMed_name) VALUES ('Минская область');
