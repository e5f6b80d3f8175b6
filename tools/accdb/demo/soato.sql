-- res/soato.accdb: codes and names of the administrative-territorial units (СОАТО), the
-- leading digits of each code: region, district. No password.
CREATE TABLE soato (soato_id INTEGER, soato_name VARCHAR(255), soato_level INTEGER);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (1000, 'Брестская область', 1);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (1204, 'Барановичский район', 2);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (1212, 'Брестский район', 2);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (1254, 'Пинский район', 2);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (2000, 'Витебская область', 1);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (3000, 'Гомельская область', 1);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (4000, 'Гродненская область', 1);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (5000, 'г. Минск', 1);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (6000, 'Минская область', 1);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (6208, 'Борисовский район', 2);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (6236, 'Молодечненский район', 2);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (6246, 'Минский район', 2);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (6250, 'Слуцкий район', 2);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (6252, 'Солигорский район', 2);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (7000, 'Могилевская область', 1);
