-- res/soato.accdb: codes and names of the administrative-territorial units. No password.
CREATE TABLE soato (soato_id INTEGER, soato_name VARCHAR(255), soato_level INTEGER);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (600, 'Минская область', 1);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (612, 'Борисов', 3);
INSERT INTO soato (soato_id, soato_name, soato_level) VALUES (100, 'Брестская область', 1);
