// What the maker publishes must work on both ends: velosync reads the page and takes newfm.dat
// out of the package without running it, and a person who runs the package by hand gets the same
// newfm.dat.
#include "tools/velosync-pack/package_maker.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include "platform/package/package.h"
#include "stationdb/radiodatabase.h"
#include "tests/support/test_env.h"

namespace velotune::tools {
namespace {

QString WriteCsv() {
    const QString path = test::MakeTempDir(QStringLiteral("csv")) + QStringLiteral("/list.csv");
    QFile csv(path);
    EXPECT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write(
        "name,frequency,genre1,genre2,genre3,homepage,stream_url,codec,city,state,country,"
        "language1,language2\n"
        "One FM,,Pop,,,,http://127.0.0.1/one,MP3,,,Austria,German,\n"
        "Two FM,,Jazz,,,,http://127.0.0.1/two,MP3,,,Austria,German,\n");
    return path;
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(PackageMaker, PublishesAnEditionBothProgramsCanUnpack) {
    const QString root = test::MakeTempDir(QStringLiteral("root"));
    QString error;
    ASSERT_TRUE(MakeEdition(WriteCsv(), 31, {QStringLiteral("Two FM")}, root,
                            QStringLiteral("vexadb/editions/vexadb31.exe"), &error))
        << error.toStdString();

    const QByteArray page = Read(root + QStringLiteral("/vexadb/update.html"));
    EXPECT_TRUE(page.contains("<meta name=\"version\" content=\"31\">\n")) << page.constData();
    EXPECT_TRUE(page.contains("<meta name=\"path\" content=\"vexadb/editions/vexadb31.exe\">\n"));

    const QString package = root + QStringLiteral("/vexadb/editions/vexadb31.exe");
    EXPECT_TRUE(QFile::permissions(package) & QFile::ExeOwner);
    const QString unpacked = test::MakeTempDir(QStringLiteral("velosync"));
    ASSERT_EQ(platform::ExtractPackageEntry(package, QStringLiteral("newfm.dat"),
                                            unpacked + QStringLiteral("/newfm.dat")),
              platform::PackageError::None);
    CRadioDatabase db;
    ASSERT_EQ(db.OpenDatabase(unpacked + QStringLiteral("/newfm.dat")), kDbOk);
    std::int32_t edition = 0;
    std::int32_t stations = 0;
    PlaylistList playlist;
    EXPECT_EQ(db.GetDBVersion(edition), kDbOk);
    EXPECT_EQ(db.GetStationCount(stations), kDbOk);
    EXPECT_EQ(db.LoadPlaylist(playlist), kDbOk);
    db.CloseDatabase();
    EXPECT_EQ(edition, 31);
    EXPECT_EQ(stations, 2);
    EXPECT_EQ(playlist, (PlaylistList{{2, 1}}));

    // By hand: the script at its head unpacks the same file into $TMPDIR.
    const QString byHand = test::MakeTempDir(QStringLiteral("by-hand"));
    QProcess sh;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), byHand);
    sh.setProcessEnvironment(env);
    sh.start(QStringLiteral("/bin/sh"), {package});
    ASSERT_TRUE(sh.waitForFinished(30000));
    EXPECT_EQ(sh.exitCode(), 0) << sh.readAllStandardError().constData();
    EXPECT_EQ(Read(byHand + QStringLiteral("/newfm.dat")),
              Read(unpacked + QStringLiteral("/newfm.dat")));
}

TEST(PackageMaker, RefusesAPackagePathVelosyncCouldNotUse) {
    const QString root = test::MakeTempDir(QStringLiteral("root"));
    QString error;
    for (const char* path : {"", "/vexadb/vexadb.exe", "../vexadb.exe", "vexadb/../../vexadb.exe",
                             "vexadb/edition.zip"})
        EXPECT_FALSE(MakeEdition(WriteCsv(), 31, {}, root, QString::fromUtf8(path), &error))
            << path;
    EXPECT_FALSE(QFile::exists(root + QStringLiteral("/vexadb/update.html")));
}

}  // namespace
}  // namespace velotune::tools
