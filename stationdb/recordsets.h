// stationdb/recordsets.h
//
// The rows of the station database as plain values: one type per table, members named after the
// table's columns and declared in the columns' order. A fresh row has every text empty and every
// number and flag 0. Rows are copied and passed by value or reference; they hold no database
// handle, so a row read from one database may be written to another.
//
// Yes/No columns (Active, Playlist) are 32-bit flags that CRadioDatabase reads as exactly 0 or 1,
// whatever non-zero value the file holds.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace velotune {

// One row of table Radio: the station record that every window and both programs pass around.
struct CRadioSet {
    std::int32_t m_RadioID = 0;  // assigned by the database; never written from a record
    QString m_StationName;       // column "Station Name"
    QString m_Frequency;
    QString m_GenreOne;
    QString m_GenreTwo;
    QString m_GenreThree;
    QString m_StationURL;
    QString m_StreamURL;
    QString m_StreamFormat;  // "WMP" or "Real" for a playable station
    QString m_City;
    QString m_State;
    QString m_Country;
    std::int32_t m_Active = 0;
    QString m_LanguageOne;
    QString m_LanguageTwo;
    std::int32_t m_Playlist = 0;  // 1 while the station is on the user's playlist
    QString m_Comments;
    std::int32_t m_Ranking = 0;
    QString m_Popularity;
    QString m_ReserveOne;
    QString m_ReserveTwo;
    std::int32_t m_ReserveThree = 0;

    // Copies of the text columns.
    QString GetStationName() const { return m_StationName; }
    QString GetFrequency() const { return m_Frequency; }
    QString GetGenreOne() const { return m_GenreOne; }
    QString GetGenreTwo() const { return m_GenreTwo; }
    QString GetGenreThree() const { return m_GenreThree; }
    QString GetStationURL() const { return m_StationURL; }
    QString GetStreamURL() const { return m_StreamURL; }
    QString GetStreamFormat() const { return m_StreamFormat; }
    QString GetCity() const { return m_City; }
    QString GetState() const { return m_State; }
    QString GetCountry() const { return m_Country; }
    QString GetLanguageOne() const { return m_LanguageOne; }
    QString GetLanguageTwo() const { return m_LanguageTwo; }
    QString GetComments() const { return m_Comments; }
    QString GetPopularity() const { return m_Popularity; }
    QString GetReserveOne() const { return m_ReserveOne; }
    QString GetReserveTwo() const { return m_ReserveTwo; }

    friend bool operator==(const CRadioSet&, const CRadioSet&) = default;
};

// One row of table Playlist: a playlist entry.
struct CPlaylistSet {
    std::int32_t m_RadioID = 0;     // the station on the playlist
    std::int32_t m_PlaylistID = 0;  // its 1-based position as shown to the user

    friend bool operator==(const CPlaylistSet&, const CPlaylistSet&) = default;
};

// One row of table DBVersion.
struct CDBVersionSet {
    std::int32_t m_DBVersionNo = 0;  // edition number of the station data
};

// One row of table Country. Stations refer to a country by its name.
struct CCountrySet {
    std::int32_t m_CountryID = 0;
    QString m_CountryName;

    QString GetCountryName() const { return m_CountryName; }
};

// One row of table Genre. Stations refer to a genre by its name.
struct CGenreSet {
    std::int32_t m_GenreID = 0;
    QString m_GenreName;

    QString GetGenreName() const { return m_GenreName; }
};

// The lists the data access layer appends to (never clears).
using IdList = QList<std::int32_t>;        // RadioIDs, in order
using NameList = QStringList;              // names, in order
using PlaylistList = QList<CPlaylistSet>;  // playlist entries, in order

}  // namespace velotune
