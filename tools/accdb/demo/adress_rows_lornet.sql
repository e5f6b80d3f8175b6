-- Rows of the driving-school module's address base (run after adress.sql), a school in
-- Molodechno; shares the region, the citizenship and the document types with the others.
INSERT INTO region (region_name) VALUES ('Минская область');
INSERT INTO raion (raion_name, region_id) VALUES ('Молодечненский район', 1);
INSERT INTO raion (raion_name, region_id) VALUES ('Вилейский район', 1);
INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Молодечно', 1);
INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Вилейка', 2);
INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Радошковичи', 1);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Великого Князя Витовта', 1);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Притыцкого', 1);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Чапаева', 1);
INSERT INTO grajdanstvo (grajdanstvo_name) VALUES ('Республика Беларусь');
INSERT INTO grajdanstvo (grajdanstvo_name) VALUES ('Республика Казахстан');
INSERT INTO doc_type (doc_type_name) VALUES ('Паспорт гражданина Республики Беларусь');
INSERT INTO organ_passport (organ_passport_name) VALUES ('Молодечненский РОВД Минской области');
INSERT INTO medicine (medicine_name) VALUES ('Молодечненская центральная районная больница');
INSERT INTO soato_adress (soato_id, soato_name) VALUES (6236, 'Молодечненский район');
INSERT INTO birthdayPlace (birthdayPlace_name) VALUES ('г. Молодечно Минской области');
INSERT INTO RegionMed (RegionMed_name) VALUES ('Минская область');
