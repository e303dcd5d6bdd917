-- The task table. Exactly eight columns stand before the seven weekday flags,
-- which the program reaches by position (8 = Sunday .. 14 = Saturday).
-- Date-time columns hold day numbers: days since 1899-12-30, local time, the
-- time of day as the fraction. Booleans are 1 (true) and 0 (false).
-- AUTOINCREMENT: ids only grow and are never reused, so a higher id is newer.
CREATE TABLE task (
    id          INTEGER PRIMARY KEY AUTOINCREMENT,
    type        INTEGER,
    action      INTEGER,
    starttime   REAL,
    stoptime    REAL,
    day         REAL,
    fujia       INTEGER,
    description TEXT,
    sun         INTEGER,
    mon         INTEGER,
    tue         INTEGER,
    wed         INTEGER,
    thu         INTEGER,
    fri         INTEGER,
    sat         INTEGER,
    state       INTEGER
);
