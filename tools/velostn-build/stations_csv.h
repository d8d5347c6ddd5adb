// tools/velostn-build/stations_csv.h
//
// Turns the station list (data/stations.csv) into the content of a station database: one Radio
// row per CSV row, the distinct countries and genres, the edition number and the stations that a
// first start finds on its playlist.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

#include "stationdb/dbwriter.h"

namespace velotune::tools {

// The edition of the shipped data: the date the station list was built.
inline constexpr std::int32_t kDefaultEdition = 20261209;

// Long-lived public broadcasters of six countries with plain, long-standing stream addresses:
// the presets of a first start.
inline const QStringList& DefaultPresets() {
    static const QStringList presets = {
        QStringLiteral("Deutschlandfunk"),  // Germany
        QStringLiteral("France Inter"),     // France
        QStringLiteral("NPO Radio 1"),      // Netherlands
        QStringLiteral("Ö1"),                            // Austria
        QStringLiteral("SR P1"),                         // Sweden
        QStringLiteral("NPR - 24 Hour Program Stream"),  // United States
    };
    return presets;
}

// "Real" for a RealMedia stream (the codec or the address says so: RealAudio, .ra, .rm, .ram,
// rtsp:// or pnm://), "WMP" for every other stream.
QString StreamFormatFor(const QString& codec, const QString& streamUrl);

// Reads CSV text with the header
//   name,frequency,genre1,genre2,genre3,homepage,stream_url,codec,city,state,country,
//   language1,language2
// (columns found by name) into content. The stations named in presets (exact names; the first
// row of a name counts) get the Playlist flag and playlist entries 1, 2, ... in that order.
// Returns false with a reason naming the CSV line when the text cannot be used.
bool StationsFromCsv(QStringView csvText, const QStringList& presets, std::int32_t edition,
                     StationDbContent* content, QString* error);

}  // namespace velotune::tools
