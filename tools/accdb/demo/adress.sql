-- The tables of an address base (res/adress.accdb, OtherBase/adress.accdb and each module's
-- adress.accdb): the address and reference lists that the package's programs share. No
-- password. The rows come from adress_template_rows.sql (the template) and adress_rows*.sql
-- (the modules).
CREATE TABLE region (region_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, region_name VARCHAR(255));
CREATE TABLE raion (raion_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, raion_name VARCHAR(255), region_id INTEGER);
CREATE TABLE nasel_punkt (nasel_punkt_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, nasel_punkt_name VARCHAR(255), raion_id INTEGER);
CREATE TABLE street (street_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, street_name VARCHAR(255), nasel_punkt_id INTEGER);
CREATE TABLE grajdanstvo (grajdanstvo_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, grajdanstvo_name VARCHAR(255));
CREATE TABLE doc_type (doc_type_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, doc_type_name VARCHAR(255));
CREATE TABLE organ_passport (organ_passport_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, organ_passport_name VARCHAR(255));
CREATE TABLE nas_punkt_nazv (nas_punkt_nazv_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, nas_punkt_nazv_name VARCHAR(255), nas_punkt_nazv_sokr VARCHAR(50));
CREATE TABLE medicine (medicine_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, medicine_name VARCHAR(255));
CREATE TABLE soato_adress (soato_id INTEGER CONSTRAINT PrimaryKey PRIMARY KEY, soato_name STRING);
CREATE TABLE birthdayPlace (birthdayPlace_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, birthdayPlace_name VARCHAR(255));
CREATE TABLE RegionMed (RegionMed_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, RegionMed_name VARCHAR(255));
