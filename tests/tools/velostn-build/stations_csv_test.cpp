// The builder's reading of the station list: CSV as spreadsheets write it, and the rows, lists
// and presets it makes of it.
#include "tools/velostn-build/stations_csv.h"

#include <gtest/gtest.h>

#include "tools/velostn-build/csv.h"

namespace velotune::tools {
namespace {

QList<QStringList> Fields(const QString& text, QString* error = nullptr) {
    QList<CsvRecord> records;
    QString why;
    if (!ParseCsv(text, &records, &why)) {
        if (error)
            *error = why;
        return {};
    }
    QList<QStringList> fields;
    for (const CsvRecord& r : records)
        fields.append(r.fields);
    return fields;
}

TEST(Csv, ReadsQuotedFieldsLineEndsAndByteOrderMark) {
    const QString text = QString::fromUtf8(
        "\xEF\xBB\xBF"
        "a,\"b, c\",\"say \"\"hi\"\"\"\r\n"
        "\"two\r\nlines\",,\r\n"
        "lf,only\n"
        "\n"
        "last,\"\"");
    const QList<QStringList> expected = {
        {"a", "b, c", "say \"hi\""}, {"two\r\nlines", "", ""}, {"lf", "only"}, {""}, {"last", ""}};
    EXPECT_EQ(Fields(text), expected);

    QList<CsvRecord> records;
    ASSERT_TRUE(ParseCsv(text, &records, nullptr));
    EXPECT_EQ(records[2].line, 4);  // the quoted line break counts
}

TEST(Csv, RejectsBrokenQuotingWithTheLine) {
    QString error;
    EXPECT_TRUE(Fields(QStringLiteral("a\r\nb,\"open\r\nstill open"), &error).isEmpty());
    EXPECT_EQ(error, QStringLiteral("line 2: quoted field is not closed"));
    EXPECT_TRUE(Fields(QStringLiteral("a,\"b\"c,d"), &error).isEmpty());
    EXPECT_EQ(error, QStringLiteral("line 1: text after a closing quote"));
}

TEST(StreamFormat, RealMediaByCodecOrAddressEverythingElseWmp) {
    EXPECT_EQ(StreamFormatFor("RealAudio", "http://h/live"), "Real");
    EXPECT_EQ(StreamFormatFor("", "rtsp://h/live"), "Real");
    EXPECT_EQ(StreamFormatFor("", "http://h/a/live.RAM?x=1"), "Real");
    EXPECT_EQ(StreamFormatFor("", "http://h/live.rm"), "Real");
    EXPECT_EQ(StreamFormatFor("MP3", "http://h/live.mp3"), "WMP");
    EXPECT_EQ(StreamFormatFor("", "http://ram.example/stream"), "WMP");
    EXPECT_EQ(StreamFormatFor("AAC", "http://h/radio"), "WMP");
}

const char kHeader[] =
    "name,frequency,genre1,genre2,genre3,homepage,stream_url,codec,city,state,country,"
    "language1,language2\r\n";

TEST(StationsFromCsv, MakesRowsListsAndPresets) {
    const QString csv = QString::fromUtf8(kHeader) +
                        QString::fromUtf8(
                            "\"Radio \"\"Eins\"\", "
                            "Berlin\",99.1,Pop,Rock,,http://eins,http://s/1,MP3,Berlin,Berlin,"
                            "Germany,German,\r\n"
                            "Zwei,,rock,Jazz,Pop,,rtsp://s/2,,,,\xC3\x85land Islands,Swedish,\r\n"
                            "Drei,,Talk,,,,http://s/3,,,,Austria,German,English\r\n");
    StationDbContent content;
    QString error;
    ASSERT_TRUE(StationsFromCsv(csv, {"Drei", "Radio \"Eins\", Berlin"}, 5, &content, &error))
        << error.toStdString();
    ASSERT_EQ(content.stations.size(), 3);
    const CRadioSet& eins = content.stations[0];
    EXPECT_EQ(eins.m_StationName, "Radio \"Eins\", Berlin");
    EXPECT_EQ(eins.m_StationURL, "http://eins");
    EXPECT_EQ(eins.m_StreamFormat, "WMP");
    EXPECT_EQ(eins.m_Active, 1);
    EXPECT_EQ(eins.m_Playlist, 1);
    EXPECT_EQ(content.stations[1].m_StreamFormat, "Real");
    EXPECT_EQ(content.stations[1].m_Playlist, 0);
    EXPECT_EQ(content.playlist, PlaylistList({{3, 1}, {1, 2}}));
    EXPECT_EQ(content.edition, 5);
    EXPECT_EQ(content.countries,
              NameList({QString::fromUtf8("\xC3\x85land Islands"), "Austria", "Germany"}));
    // "rock" and "Rock" are two names of the list; all three genre columns count.
    EXPECT_EQ(content.genres, NameList({"Jazz", "Pop", "Rock", "rock", "Talk"}));
}

TEST(StationsFromCsv, RefusesWhatCannotBuildAUsableDatabase) {
    StationDbContent content;
    QString error;
    const QString header = QString::fromUtf8(kHeader);
    EXPECT_FALSE(
        StationsFromCsv(header + "A,,Pop,,,,http://a,,,,Chad,French\r\n", {}, 1, &content, &error));
    EXPECT_EQ(error, "line 2: 12 fields where the header has 13");
    EXPECT_FALSE(
        StationsFromCsv(header + "A,,Pop,,,,,,,,Chad,French,\r\n", {}, 1, &content, &error));
    EXPECT_EQ(error, "line 2: empty stream_url");
    EXPECT_FALSE(StationsFromCsv(header + "A,,Pop,,,,http://a,,,,Chad,French,\r\n", {"B"}, 1,
                                 &content, &error));
    EXPECT_EQ(error, "preset station \"B\" is not in the list");
    EXPECT_FALSE(StationsFromCsv(QStringLiteral("name,genre1\r\n"), {}, 1, &content, &error));
    EXPECT_EQ(error, "line 1: no column \"frequency\"");
}

}  // namespace
}  // namespace velotune::tools
