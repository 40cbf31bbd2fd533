-- Source of Data.mdb, the program's database: the three port lists, the
-- placeholder list shown before a port is chosen, the port capacities and
-- the two effect catalogues. Texts are VNI, each code written as its
-- Windows-1252 character. STT must stay free of any uniqueness constraint:
-- moving a row gives two rows the same number for a moment.

CREATE TABLE PORT1 (STT INTEGER, CodeFunc INTEGER, NameFunc TEXT, Delay INTEGER, Loop INTEGER, TxtA INTEGER, TxtB INTEGER);
CREATE TABLE PORT2 (STT INTEGER, CodeFunc INTEGER, NameFunc TEXT, Delay INTEGER, Loop INTEGER, TxtA INTEGER, TxtB INTEGER);
CREATE TABLE PORT3 (STT INTEGER, CodeFunc INTEGER, NameFunc TEXT, Delay INTEGER, Loop INTEGER, TxtA INTEGER, TxtB INTEGER);
-- Lists are read in STT order; the index is never unique.
CREATE INDEX PORT1_STT ON PORT1 (STT);
CREATE INDEX PORT2_STT ON PORT2 (STT);
CREATE INDEX PORT3_STT ON PORT3 (STT);
CREATE TABLE PORT_TEMP (STT INTEGER, CodeFunc INTEGER, NameFunc TEXT, Delay INTEGER, Loop INTEGER, TxtA INTEGER, TxtB INTEGER);

CREATE TABLE MaxPort (Port INTEGER, MaxValue INTEGER);
INSERT INTO MaxPort (Port, MaxValue) VALUES (1, 40);
INSERT INTO MaxPort (Port, MaxValue) VALUES (2, 30);
INSERT INTO MaxPort (Port, MaxValue) VALUES (3, 20);

-- Effects of sign ports 1 and 2.
CREATE TABLE ShowFunc (FuncID INTEGER, FuncText TEXT);
INSERT INTO ShowFunc VALUES (1, '01 Chaïy chöõ töø phaûi sang traùi');
INSERT INTO ShowFunc VALUES (2, '02 Hieän chöõ ñöùng yeân');
INSERT INTO ShowFunc VALUES (3, '03 Nhaáp nhaùy');
INSERT INTO ShowFunc VALUES (4, '04 Chaïy chöõ töø traùi sang phaûi');
INSERT INTO ShowFunc VALUES (5, '05 Chaïy chöõ töø döôùi leân');
INSERT INTO ShowFunc VALUES (6, '06 Chaïy chöõ töø treân xuoáng');
INSERT INTO ShowFunc VALUES (7, '07 Keùo maøn töø traùi sang phaûi');
INSERT INTO ShowFunc VALUES (8, '08 Keùo maøn töø phaûi sang traùi');
INSERT INTO ShowFunc VALUES (9, '09 Keùo maøn töø treân xuoáng');
INSERT INTO ShowFunc VALUES (10, '10 Keùo maøn töø döôùi leân');
INSERT INTO ShowFunc VALUES (11, '11 Môû roäng töø giöõa ra');
INSERT INTO ShowFunc VALUES (12, '12 Thu heïp vaøo giöõa');
INSERT INTO ShowFunc VALUES (13, '13 Rôi töøng chöõ');
INSERT INTO ShowFunc VALUES (14, '14 Hieän töøng chöõ');
INSERT INTO ShowFunc VALUES (15, '15 Cuoän chöõ leân');
INSERT INTO ShowFunc VALUES (16, '16 Cuoän chöõ xuoáng');
INSERT INTO ShowFunc VALUES (17, '17 Ñoåi maøu chöõ');
INSERT INTO ShowFunc VALUES (18, '18 Chöõ saùng daàn');
INSERT INTO ShowFunc VALUES (19, '19 Chöõ toái daàn');
INSERT INTO ShowFunc VALUES (20, '20 Xoùa maøn hình');

-- Border effects of sign port 3.
CREATE TABLE FuncBoder (FuncID INTEGER, FuncText TEXT);
INSERT INTO FuncBoder VALUES (1, '01 Vieàn chaïy voøng quanh');
INSERT INTO FuncBoder VALUES (2, '02 Vieàn nhaáp nhaùy');
INSERT INTO FuncBoder VALUES (3, '03 Vieàn ñöùng yeân');
INSERT INTO FuncBoder VALUES (4, '04 Vieàn chaïy ngöôïc chieàu');
INSERT INTO FuncBoder VALUES (5, '05 Vieàn chaám chaïy');
INSERT INTO FuncBoder VALUES (6, '06 Vieàn ñoåi maøu');
INSERT INTO FuncBoder VALUES (7, '07 Vieàn saùng daàn');
INSERT INTO FuncBoder VALUES (8, '08 Taét vieàn');

-- What the grid shows until a port is chosen.
INSERT INTO PORT_TEMP VALUES (1, 1, '01 Chaïy chöõ töø phaûi sang traùi', 5, 1, 0, 0);
INSERT INTO PORT_TEMP VALUES (2, 2, '02 Hieän chöõ ñöùng yeân', 10, 2, 0, 0);
INSERT INTO PORT_TEMP VALUES (3, 3, '03 Nhaáp nhaùy', 3, 5, 0, 0);
