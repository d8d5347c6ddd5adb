// velostn-build: makes the station database file from the station list, or prints a summary of a
// database file. The build runs it to lay out bin/velostn.dat; scripts/run uses --summary.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "res/texts.h"
#include "stationdb/dbwriter.h"
#include "stationdb/radiodatabase.h"
#include "tools/velostn-build/stations_csv.h"

namespace velotune::tools {
namespace {

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

int Failed(const QString& why) {
    QTextStream(stderr) << Text(text::kBuilderFailed).arg(why) << Qt::endl;
    return 1;
}

// Writes the database next to its final place and renames it there, so that a build that stops
// half-way never leaves a half-written file under the real name.
int Build(const QString& csvPath, const QString& output, std::int32_t edition,
          const QStringList& presets) {
    QFile csv(csvPath);
    if (!csv.open(QIODevice::ReadOnly))
        return Failed(QStringLiteral("%1: %2").arg(csvPath, csv.errorString()));
    const QString text = QString::fromUtf8(csv.readAll());

    StationDbContent content;
    QString error;
    if (!StationsFromCsv(text, presets, edition, &content, &error))
        return Failed(QStringLiteral("%1: %2").arg(csvPath, error));

    const QString temporary =
        output + QStringLiteral(".tmp-%1").arg(QCoreApplication::applicationPid());
    QFile::remove(temporary);
    if (!WriteStationDatabase(temporary, content, &error))
        return Failed(QStringLiteral("%1: %2").arg(temporary, error));
    std::error_code renameError;
    std::filesystem::rename(QFile::encodeName(temporary).toStdString(),
                            QFile::encodeName(output).toStdString(), renameError);
    if (renameError) {
        QFile::remove(temporary);
        return Failed(
            QStringLiteral("%1: %2").arg(output, QString::fromStdString(renameError.message())));
    }
    return 0;
}

int Summary(const QString& path) {
    CRadioDatabase db;
    if (db.OpenDatabase(path) != kDbOk)
        return 1;  // the layer has reported why
    std::int32_t edition = 0;
    std::int32_t stations = 0;
    NameList countries;
    NameList genres;
    PlaylistList playlist;
    if (db.GetDBVersion(edition) != kDbOk || db.GetStationCount(stations) != kDbOk ||
        db.GetCountries(countries) != kDbOk || db.GetGenres(genres) != kDbOk ||
        db.LoadPlaylist(playlist) != kDbOk)
        return 1;
    QTextStream out(stdout);
    out << Text(text::kSummaryEdition).arg(edition) << '\n'
        << Text(text::kSummaryStations).arg(stations) << '\n'
        << Text(text::kSummaryCountries).arg(countries.size()) << '\n'
        << Text(text::kSummaryGenres).arg(genres.size()) << '\n'
        << Text(text::kSummaryPlaylist) << '\n';
    for (const CPlaylistSet& entry : playlist) {
        CRadioSet station;
        if (db.GetStation(entry.m_RadioID, station) == kDbOk)
            out << Text(text::kSummaryPlaylistEntry)
                       .arg(entry.m_PlaylistID)
                       .arg(station.GetStationName(), station.GetCountry())
                << '\n';
    }
    out.flush();
    return db.CloseDatabase() == kDbOk ? 0 : 1;
}

}  // namespace
}  // namespace velotune::tools

int main(int argc, char** argv) {
    using namespace velotune;
    using velotune::tools::Text;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velostn-build"));

    QCommandLineParser parser;
    parser.setApplicationDescription(Text(text::kBuilderDescription));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("csv"), Text(text::kBuilderCsvArgument));
    const QCommandLineOption output(QStringLiteral("output"), Text(text::kBuilderOutputOption),
                                    QStringLiteral("file"));
    const QCommandLineOption edition(
        QStringLiteral("edition"), Text(text::kBuilderEditionOption).arg(tools::kDefaultEdition),
        QStringLiteral("number"), QString::number(tools::kDefaultEdition));
    const QCommandLineOption preset(
        QStringLiteral("preset"),
        Text(text::kBuilderPresetOption).arg(tools::DefaultPresets().join(QStringLiteral("; "))),
        QStringLiteral("name"));
    const QCommandLineOption summary(QStringLiteral("summary"), Text(text::kBuilderSummaryOption),
                                     QStringLiteral("file"));
    parser.addOptions({output, edition, preset, summary});
    parser.process(app);

    if (parser.isSet(summary))
        return tools::Summary(parser.value(summary));

    bool numeric = false;
    const int editionNo = parser.value(edition).toInt(&numeric);
    if (parser.positionalArguments().size() != 1 || !parser.isSet(output) || !numeric)
        return tools::Failed(Text(text::kBuilderUsageError));
    const QStringList presets =
        parser.isSet(preset) ? parser.values(preset) : tools::DefaultPresets();
    return tools::Build(parser.positionalArguments().first(), parser.value(output), editionNo,
                        presets);
}
