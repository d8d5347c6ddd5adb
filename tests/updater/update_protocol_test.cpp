// The small rules the update depends on: how the check page is read, how version texts compare,
// the usage hit's agent text, how download blocks move the bar over a whole run, and which update
// server is asked.
#include "updater/update_protocol.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "settings/settings_store.h"
#include "updater/update_config.h"

namespace velotune {
namespace {

CheckPageValues Parse(const QStringList& lines) {
    CheckPageValues values;
    for (const QString& line : lines)
        ParseCheckLine(line, values);
    return values;
}

TEST(CheckPage, ReadsVersionAndPathFromTheirLines) {
    const CheckPageValues page = Parse({
        QStringLiteral("<html><head><title>Velotune</title>"),
        QStringLiteral("<meta name=\"version\" content=\"21\">"),
        QStringLiteral("<meta name=\"path\" content=\"vexadb/vexadb21.exe\">"),
        QStringLiteral("</head></html>"),
    });
    EXPECT_EQ(page.version, QStringLiteral("21"));
    EXPECT_EQ(page.path, QStringLiteral("vexadb/vexadb21.exe"));

    // A later line overrides an earlier one; one line may set both; the match is case-sensitive
    // and needs "name" on the line.
    EXPECT_EQ(Parse({QStringLiteral("<meta name=\"version\" content=\"20\">"),
                     QStringLiteral("<meta name=\"version\" content=\"22\">")})
                  .version,
              QStringLiteral("22"));
    const CheckPageValues both = Parse({QStringLiteral("name version path content=\"7\"")});
    EXPECT_EQ(both.version, QStringLiteral("7"));
    EXPECT_EQ(both.path, QStringLiteral("7"));
    EXPECT_TRUE(Parse({QStringLiteral("<meta NAME=\"Version\" content=\"21\">"),
                       QStringLiteral("<meta id=\"version\" content=\"21\">")})
                    .version.isEmpty());
}

TEST(CheckPage, ValueIsWhatLiesBetweenContentAndTheLastQuote) {
    // Without "content" the value starts at the 9th character: wrong, or empty.
    EXPECT_EQ(ContentValue(QStringLiteral("<meta name=\"version\" value=\"21\">")),
              QStringLiteral("me=\"version\" value=\"21"));
    EXPECT_TRUE(ContentValue(QStringLiteral("name \"v\"")).isEmpty());
    EXPECT_TRUE(ContentValue(QStringLiteral("<meta name=version content=21>")).isEmpty());
    EXPECT_TRUE(ContentValue(QStringLiteral("content=\"\"")).isEmpty());
    EXPECT_EQ(ContentValue(QStringLiteral("content=\"a \"quoted\" b\"")),
              QStringLiteral("a \"quoted\" b"));
}

TEST(Versions, CompareAsTheCLibraryReadsNumbers) {
    EXPECT_EQ(LeadingInt(QStringLiteral("20")), 20);
    EXPECT_EQ(LeadingInt(QStringLiteral("  21abc")), 21);
    EXPECT_EQ(LeadingInt(QStringLiteral("-3")), -3);
    EXPECT_EQ(LeadingInt(QStringLiteral("+4")), 4);
    EXPECT_EQ(LeadingInt(QStringLiteral("v20")), 0);
    EXPECT_EQ(LeadingInt(QString()), 0);
    EXPECT_EQ(LeadingInt(QStringLiteral("99999999999999")), 2147483647);
    EXPECT_EQ(LeadingInt(QStringLiteral("-99999999999999")), -2147483647 - 1);
}

TEST(UsageHit, AgentTextNamesInstallationEditionsAndSystem) {
    EXPECT_EQ(UsageAgentText(QStringLiteral("123"), 20, 21, QStringLiteral("Win98")),
              QStringLiteral("123/VSYN:20-21 [Win98]"));
    // A current system leaves the brackets empty; so does a Linux desktop.
    EXPECT_EQ(UsageAgentText(QString(), 0, 21, OperatingSystemName()),
              QStringLiteral("/VSYN:0-21 [Unknown OS]"));
}

TEST(DownloadProgress, StepsEverySecondBlockOfTheFirst112PerKindAndRun) {
    DownloadProgress progress;
    int steps = 0;
    for (int block = 1; block <= 300; ++block) {
        const bool step = progress.Block(0);
        EXPECT_EQ(step, block % 2 == 0 && block <= 112) << block;
        steps += step;
    }
    EXPECT_EQ(steps, 56);
    // A later download of the same kind in the same run moves nothing; another kind starts fresh.
    EXPECT_FALSE(progress.Block(0));
    EXPECT_FALSE(progress.Block(1));
    EXPECT_TRUE(progress.Block(1));
}

// The environment comes first (tests and a person trying a server), then the settings file, then
// the host the build was configured with.
TEST(UpdateServer, EnvironmentThenSettingsThenTheBuiltInHost) {
    const QByteArray saved = qgetenv("VELOTUNE_UPDATE_HOST");
    qunsetenv("VELOTUNE_UPDATE_HOST");
    EXPECT_EQ(UpdateServerHost(), QStringLiteral(VELOTUNE_DEFAULT_UPDATE_HOST));

    ASSERT_EQ(CSettingsStore().WriteUpdateServer(QStringLiteral(" updates.example.org:8080 ")), 1);
    EXPECT_EQ(UpdateServerHost(), QStringLiteral("updates.example.org:8080"));
    EXPECT_EQ(UpdaterConfig::ForThisProgram().CheckAddress(),
              QStringLiteral("http://updates.example.org:8080/vexadb/update.html"));

    qputenv("VELOTUNE_UPDATE_HOST", "127.0.0.1:9");
    EXPECT_EQ(UpdateServerHost(), QStringLiteral("127.0.0.1:9"));

    // An empty stored value counts as none.
    qunsetenv("VELOTUNE_UPDATE_HOST");
    ASSERT_EQ(CSettingsStore().WriteUpdateServer(QString()), 1);
    EXPECT_EQ(UpdateServerHost(), QStringLiteral(VELOTUNE_DEFAULT_UPDATE_HOST));
    qputenv("VELOTUNE_UPDATE_HOST", saved);
}

}  // namespace
}  // namespace velotune
