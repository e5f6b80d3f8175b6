-- Rows of the common address base template res/adress.accdb (run after adress.sql): the
-- regions, the districts of Minsk and Brest regions with their towns, and main streets.
INSERT INTO region (region_name) VALUES ('Брестская область');
INSERT INTO region (region_name) VALUES ('Витебская область');
INSERT INTO region (region_name) VALUES ('Гомельская область');
INSERT INTO region (region_name) VALUES ('Гродненская область');
INSERT INTO region (region_name) VALUES ('г. Минск');
INSERT INTO region (region_name) VALUES ('Минская область');
INSERT INTO region (region_name) VALUES ('Могилевская область');

INSERT INTO raion (raion_name, region_id) VALUES ('Барановичский район', 1);
INSERT INTO raion (raion_name, region_id) VALUES ('Брестский район', 1);
INSERT INTO raion (raion_name, region_id) VALUES ('Пинский район', 1);
INSERT INTO raion (raion_name, region_id) VALUES ('Борисовский район', 6);
INSERT INTO raion (raion_name, region_id) VALUES ('Минский район', 6);
INSERT INTO raion (raion_name, region_id) VALUES ('Молодечненский район', 6);
INSERT INTO raion (raion_name, region_id) VALUES ('Слуцкий район', 6);
INSERT INTO raion (raion_name, region_id) VALUES ('Солигорский район', 6);

INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Барановичи', 1);
INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Брест', 2);
INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Пинск', 3);
INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Борисов', 4);
INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Жодино', 4);
INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Заславль', 5);
INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Молодечно', 6);
INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Слуцк', 7);
INSERT INTO nasel_punkt (nasel_punkt_name, raion_id) VALUES ('Солигорск', 8);

INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Советская', 1);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Брестская', 1);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Московская', 2);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('б-р Космонавтов', 2);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Ленина', 3);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Гагарина', 4);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('пр-т Революции', 4);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. 40 лет Октября', 5);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Великого Князя Витовта', 7);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Копыльская', 8);
INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Козлова', 9);

INSERT INTO grajdanstvo (grajdanstvo_name) VALUES ('Республика Беларусь');
INSERT INTO grajdanstvo (grajdanstvo_name) VALUES ('Российская Федерация');
INSERT INTO grajdanstvo (grajdanstvo_name) VALUES ('Украина');
INSERT INTO grajdanstvo (grajdanstvo_name) VALUES ('Лицо без гражданства');

INSERT INTO doc_type (doc_type_name) VALUES ('Паспорт гражданина Республики Беларусь');
INSERT INTO doc_type (doc_type_name) VALUES ('Идентификационная карта');
INSERT INTO doc_type (doc_type_name) VALUES ('Вид на жительство');
INSERT INTO doc_type (doc_type_name) VALUES ('Военный билет');

INSERT INTO nas_punkt_nazv (nas_punkt_nazv_name, nas_punkt_nazv_sokr) VALUES ('город', 'г.');
INSERT INTO nas_punkt_nazv (nas_punkt_nazv_name, nas_punkt_nazv_sokr) VALUES ('городской поселок', 'г.п.');
INSERT INTO nas_punkt_nazv (nas_punkt_nazv_name, nas_punkt_nazv_sokr) VALUES ('агрогородок', 'аг.');
INSERT INTO nas_punkt_nazv (nas_punkt_nazv_name, nas_punkt_nazv_sokr) VALUES ('деревня', 'д.');

INSERT INTO RegionMed (RegionMed_name) VALUES ('Брестская область');
INSERT INTO RegionMed (RegionMed_name) VALUES ('Минская область');
INSERT INTO RegionMed (RegionMed_name) VALUES ('г. Минск');
