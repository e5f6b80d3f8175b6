-- Rows of the additional-specialities module's address base (run after adress.sql), a school
-- in Baranovichi.
INSERT INTO region (region_name) VALUES ('Брестская область');
INSERT INTO raion (raion_name, region_id) VALUES ('Барановичский район', 1);
INSERT INTO raion (raion_name, region_id) VALUES ('Ляховичский район', 1);
INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Барановичи', 1);
INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Ляховичи', 2);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Советская', 1);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Тельмана', 1);
INSERT INTO grajdanstvo (grajdanstvo_name) VALUES ('Республика Беларусь');
INSERT INTO doc_type (doc_type_name) VALUES ('Идентификационная карта');
INSERT INTO organ_passport (organ_passport_name) VALUES ('Барановичский ГОВД Брестской области');
INSERT INTO medicine (medicine_name) VALUES ('Барановичская центральная поликлиника');
INSERT INTO birthdayPlace (birthdayPlace_name) VALUES ('г. Барановичи Брестской области');
INSERT INTO RegionMed (RegionMed_name) VALUES ('Брестская область');
