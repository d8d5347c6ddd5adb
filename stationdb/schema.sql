-- The station database: one file, five tables.
--
-- Text columns compare without regard to letter case (NOCASE), so a search for "rock" finds
-- "Rock" and the indexes below serve those searches. Yes/No columns hold 0 or 1. RadioID is a
-- counter that the database assigns and never reuses, so a deleted station's number cannot come
-- back as a different station on someone's playlist.

CREATE TABLE Radio (
    RadioID        INTEGER PRIMARY KEY AUTOINCREMENT,
    "Station Name" TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    Frequency      TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    GenreOne       TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    GenreTwo       TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    GenreThree     TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    StationURL     TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    StreamURL      TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    StreamFormat   TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    City           TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    State          TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    Country        TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    Active         INTEGER NOT NULL DEFAULT 0,
    LanguageOne    TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    LanguageTwo    TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    Playlist       INTEGER NOT NULL DEFAULT 0,
    Comments       TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    Ranking        INTEGER NOT NULL DEFAULT 0,
    Popularity     TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    ReserveOne     TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    ReserveTwo     TEXT COLLATE NOCASE NOT NULL DEFAULT '',
    ReserveThree   INTEGER NOT NULL DEFAULT 0
);

-- The station finder searches by country or by first genre, lists the states of a country and
-- the cities of a state, and narrows a result by state and city.
CREATE INDEX RadioCountry ON Radio (Country);
CREATE INDEX RadioGenreOne ON Radio (GenreOne);
CREATE INDEX RadioState ON Radio (State);
CREATE INDEX RadioCity ON Radio (City);

-- The user's playlist in its stored order (the order of the rows); PlaylistID is the 1-based
-- position shown to the user, which may have gaps after a station was deleted.
CREATE TABLE Playlist (
    RadioID    INTEGER NOT NULL DEFAULT 0,
    PlaylistID INTEGER NOT NULL DEFAULT 0
);

-- One row: the edition number of the station data.
CREATE TABLE DBVersion (
    DBVersionNo INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE Country (
    CountryID   INTEGER PRIMARY KEY,
    CountryName TEXT COLLATE NOCASE NOT NULL DEFAULT ''
);

CREATE TABLE Genre (
    GenreID   INTEGER PRIMARY KEY,
    GenreName TEXT COLLATE NOCASE NOT NULL DEFAULT ''
);
