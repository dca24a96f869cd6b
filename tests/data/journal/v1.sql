-- A journal as the first version wrote it: its values kept as tab-joined texts.
-- The tests make the file from this text (sqlite3 v1.db < v1.sql does the same).
CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE buffers (id INTEGER PRIMARY KEY, title TEXT NOT NULL, header_key TEXT NOT NULL, header_version INTEGER NOT NULL, opened TEXT NOT NULL);
CREATE TABLE columns (buffer_id INTEGER NOT NULL REFERENCES buffers(id), position INTEGER NOT NULL, number INTEGER NOT NULL, title TEXT NOT NULL, width INTEGER NOT NULL, data_type INTEGER NOT NULL, format TEXT NOT NULL, PRIMARY KEY (buffer_id, position));
CREATE TABLE rows (id INTEGER PRIMARY KEY, buffer_id INTEGER NOT NULL REFERENCES buffers(id), kind TEXT NOT NULL CHECK (kind IN ('record', 'status', 'miss', 'restart')), record_number INTEGER NOT NULL, pc_date TEXT NOT NULL, pc_time TEXT NOT NULL, status TEXT NOT NULL, cells TEXT NOT NULL, raw TEXT NOT NULL, comment TEXT NOT NULL, numbers TEXT NOT NULL DEFAULT '', raw_values TEXT NOT NULL DEFAULT '', exported INTEGER NOT NULL DEFAULT 0);
CREATE INDEX rows_not_exported ON rows (id) WHERE exported = 0;
INSERT INTO meta VALUES ('schema_version', '1'), ('application', 'Tolvane'), ('clean_close', '0');
INSERT INTO buffers VALUES (1, 'Boiler', 'DEMO', 3, '2026-12-06T10:00:00');
INSERT INTO columns VALUES (1, 0, 0, 'Temperature', 1000, 5, '1d'), (1, 1, 3, 'Mode', 800, 6, 's');
INSERT INTO rows VALUES (1, 1, 'record', 1, '06/12/26', '10:00:01', 'Run', '-21.5' || char(9) || 'auto', '-215;auto', ';', '-21.5' || char(9), '-215' || char(9), 1);
INSERT INTO rows VALUES (2, 1, 'miss', 1, '06/12/26', '10:00:02', 'Miss 3', '----------------' || char(9) || '----------------', '', '', '', '', 0);
INSERT INTO rows VALUES (3, 1, 'status', 2, '06/12/26', '10:00:03', 'Stop', char(9), '', '', '', '', 0);
INSERT INTO rows VALUES (4, 1, 'record', 3, '06/12/26', '10:00:04', 'Run', '7.25' || char(9) || 'hand', '29;hand', ';', '7.25' || char(9), '29' || char(9), 0);
