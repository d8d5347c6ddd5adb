#include "tools/velostn-build/stations_csv.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QUrl>
#include <algorithm>
#include <array>

#include "tools/velostn-build/csv.h"

namespace velotune::tools {
namespace {

enum Column {
    kName,
    kFrequency,
    kGenre1,
    kGenre2,
    kGenre3,
    kHomepage,
    kStreamUrl,
    kCodec,
    kCity,
    kState,
    kCountry,
    kLanguage1,
    kLanguage2,
    kColumnCount
};

constexpr std::array<const char*, kColumnCount> kHeader = {
    "name",  "frequency", "genre1", "genre2",  "genre3",    "homepage", "stream_url",
    "codec", "city",      "state",  "country", "language1", "language2"};

// Names sorted as a person reads them, with a fixed locale so every build sorts alike; names
// that collate equal fall back to their code points.
NameList SortedNames(const QSet<QString>& names) {
    NameList sorted(names.cbegin(), names.cend());
    QCollator collator{QLocale(QLocale::English, QLocale::UnitedStates)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(sorted.begin(), sorted.end(), [&](const QString& a, const QString& b) {
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    return sorted;
}

}  // namespace

QString StreamFormatFor(const QString& codec, const QString& streamUrl) {
    const QString kind = codec.trimmed().toLower();
    if (kind.contains(QLatin1String("real")) || kind == QLatin1String("ra") ||
        kind == QLatin1String("rm"))
        return QStringLiteral("Real");
    const QUrl url(streamUrl.trimmed());
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("rtsp") || scheme == QLatin1String("pnm"))
        return QStringLiteral("Real");
    const QString path = url.path().toLower();
    for (const char* ext : {".ra", ".rm", ".ram"}) {
        if (path.endsWith(QLatin1String(ext)))
            return QStringLiteral("Real");
    }
    return QStringLiteral("WMP");
}

bool StationsFromCsv(QStringView csvText, const QStringList& presets, std::int32_t edition,
                     StationDbContent* content, QString* error) {
    QList<CsvRecord> records;
    if (!ParseCsv(csvText, &records, error))
        return false;
    auto fail = [&](int line, const QString& what) {
        if (error)
            *error = line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(what) : what;
        return false;
    };
    if (records.isEmpty())
        return fail(0, QStringLiteral("the file is empty"));

    // Where each needed column is; the header may order them freely and add others.
    std::array<qsizetype, kColumnCount> at{};
    const QStringList& header = records.first().fields;
    for (int c = 0; c < kColumnCount; ++c) {
        at[c] = header.indexOf(QLatin1String(kHeader[c]));
        if (at[c] < 0)
            return fail(1, QStringLiteral("no column \"%1\"").arg(QLatin1String(kHeader[c])));
    }

    StationDbContent result;
    result.edition = edition;
    QSet<QString> countries;
    QSet<QString> genres;
    QHash<QString, std::int32_t> firstIdByName;
    for (qsizetype r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        if (record.fields.size() == 1 && record.fields.first().isEmpty())
            continue;  // a blank line
        if (record.fields.size() != header.size())
            return fail(record.line, QStringLiteral("%1 fields where the header has %2")
                                         .arg(record.fields.size())
                                         .arg(header.size()));
        auto field = [&](Column c) { return record.fields[at[c]].trimmed(); };

        CRadioSet station;
        station.m_StationName = field(kName);
        station.m_Frequency = field(kFrequency);
        station.m_GenreOne = field(kGenre1);
        station.m_GenreTwo = field(kGenre2);
        station.m_GenreThree = field(kGenre3);
        station.m_StationURL = field(kHomepage);
        station.m_StreamURL = field(kStreamUrl);
        station.m_StreamFormat = StreamFormatFor(field(kCodec), station.m_StreamURL);
        station.m_City = field(kCity);
        station.m_State = field(kState);
        station.m_Country = field(kCountry);
        station.m_Active = 1;
        station.m_LanguageOne = field(kLanguage1);
        station.m_LanguageTwo = field(kLanguage2);
        // The station editor requires these, so a row without them could never be saved again.
        for (const auto& [value, name] : {std::pair{&station.m_StationName, "name"},
                                          {&station.m_StreamURL, "stream_url"},
                                          {&station.m_Country, "country"},
                                          {&station.m_GenreOne, "genre1"}}) {
            if (value->isEmpty())
                return fail(record.line, QStringLiteral("empty %1").arg(QLatin1String(name)));
        }

        countries.insert(station.m_Country);
        for (const QString* genre :
             {&station.m_GenreOne, &station.m_GenreTwo, &station.m_GenreThree})
            if (!genre->isEmpty())
                genres.insert(*genre);
        result.stations.append(station);
        // A fresh table numbers its rows 1, 2, ... in the order they are added.
        if (!firstIdByName.contains(station.m_StationName))
            firstIdByName.insert(station.m_StationName,
                                 static_cast<std::int32_t>(result.stations.size()));
    }

    for (const QString& name : presets) {
        const std::int32_t id = firstIdByName.value(name);
        if (id == 0)
            return fail(0, QStringLiteral("preset station \"%1\" is not in the list").arg(name));
        CRadioSet& station = result.stations[id - 1];
        if (station.m_Playlist)
            return fail(0, QStringLiteral("preset station \"%1\" is named twice").arg(name));
        station.m_Playlist = 1;
        result.playlist.append(
            CPlaylistSet{id, static_cast<std::int32_t>(result.playlist.size() + 1)});
    }

    result.countries = SortedNames(countries);
    result.genres = SortedNames(genres);
    *content = std::move(result);
    return true;
}

}  // namespace velotune::tools
