// The settings file is shared by both programs and edited by hand now and then: values must come
// back exactly, odd contents must read as absent, and a failed write must say so.
#include "platform/registry/registry.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>

#include "tests/support/test_env.h"

namespace velotune::platform {
namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = qgetenv("XDG_CONFIG_HOME");
        config_ = test::MakeTempDir(QStringLiteral("config"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_));
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", saved_); }

    // Writes raw lines into the settings file, as a person editing it would.
    void WriteFile(const QByteArray& content) {
        QDir().mkpath(QFileInfo(RegistryFilePath()).absolutePath());
        QFile file(RegistryFilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QByteArray saved_;
    QString config_;
};

TEST_F(RegistryTest, FileLayoutIsTheOneTheUpdaterReads) {
    EXPECT_EQ(RegistryFilePath(), config_ + QStringLiteral("/Quillon Global/Velotune.conf"));
    ASSERT_TRUE(RegWriteText(QString(), QStringLiteral("Velotune UID"), QStringLiteral("abc-1")));
    ASSERT_TRUE(RegWriteDword(QStringLiteral("Options"), QStringLiteral("TrayIcon"), 1));

    const QSettings plain(RegistryFilePath(), QSettings::IniFormat);
    EXPECT_EQ(plain.value(QStringLiteral("Velotune UID")).toString(), QStringLiteral("abc-1"));
    EXPECT_EQ(plain.value(QStringLiteral("Options/TrayIcon")).toString(), QStringLiteral("1"));
}

TEST_F(RegistryTest, TextsOfAnyLengthAndContentComeBackWhole) {
    const QString texts[] = {
        QString(300, QLatin1Char('x')) + QStringLiteral("::/music/a.wma"),
        QStringLiteral("a, b; c = d \"quoted\" \\ back"),
        QStringLiteral("@Variant(not really)"),
        QStringLiteral("Ünïcødé ♫"),
        QString(),
    };
    int i = 0;
    for (const QString& text : texts) {
        const QString name = QString::number(++i);
        ASSERT_TRUE(RegWriteText(QStringLiteral("Playlist"), name, text));
        QString back = QStringLiteral("sentinel");
        ASSERT_TRUE(RegReadText(QStringLiteral("Playlist"), name, &back));
        EXPECT_EQ(back, text);
    }
}

TEST_F(RegistryTest, DwordsThatAreNotNumbersReadAsAbsent) {
    WriteFile(
        "[Options]\nWord=abc\nTrailing=12x\nHuge=4294967296\nEmpty=\n"
        "Max=4294967295\nNegative=-5\nSpaced= 7 \n");
    const QString key = QStringLiteral("Options");
    for (const char* name : {"Word", "Trailing", "Huge", "Empty", "Missing"}) {
        quint32 value = 99;
        EXPECT_FALSE(RegReadDword(key, QString::fromLatin1(name), &value)) << name;
        EXPECT_EQ(value, 99u) << name;
    }
    quint32 value = 0;
    ASSERT_TRUE(RegReadDword(key, QStringLiteral("Max"), &value));
    EXPECT_EQ(value, 0xFFFFFFFFu);
    ASSERT_TRUE(RegReadDword(key, QStringLiteral("Negative"), &value));
    EXPECT_EQ(value, 0xFFFFFFFBu);
    ASSERT_TRUE(RegReadDword(key, QStringLiteral("Spaced"), &value));
    EXPECT_EQ(value, 7u);
}

TEST_F(RegistryTest, FailedWriteReportsFailureAndLeavesNothingBehind) {
    // A plain file where the settings folder should be: no account can write there.
    QFile blocker(config_ + QStringLiteral("/Quillon Global"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    EXPECT_FALSE(RegWriteDword(QStringLiteral("Options"), QStringLiteral("TrayIcon"), 1));
    quint32 value = 7;
    EXPECT_FALSE(RegReadDword(QStringLiteral("Options"), QStringLiteral("TrayIcon"), &value));
    EXPECT_EQ(value, 7u);

    RegistryKey key(QStringLiteral("Options"));
    key.SetDword(QStringLiteral("AlwaysOnTop"), 1);
    EXPECT_FALSE(key.Flush());
    EXPECT_FALSE(key.HasValue(QStringLiteral("AlwaysOnTop")));
}

TEST_F(RegistryTest, StartupEntryRoundTripsAwkwardPaths) {
    const QString id = QStringLiteral("velotune");
    EXPECT_FALSE(WriteStartupEntry(id, QStringLiteral("Velotune"), QString()));
    EXPECT_FALSE(ReadStartupEntry(id));

    const QString paths[] = {QStringLiteral("/usr/lib/velotune/velotune"),
                             QStringLiteral("/opt/Velo Tune/a\"b$c`d\\e 100%/velotune")};
    for (const QString& path : paths) {
        ASSERT_TRUE(WriteStartupEntry(id, QStringLiteral("Velotune"), path));
        QString back;
        ASSERT_TRUE(ReadStartupEntry(id, &back));
        EXPECT_EQ(back, path);
    }
    EXPECT_EQ(StartupEntryPath(id), config_ + QStringLiteral("/autostart/velotune.desktop"));

    // A session marks a removed entry as hidden rather than deleting it.
    QFile file(StartupEntryPath(id));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("Hidden=true\n");
    file.close();
    EXPECT_FALSE(ReadStartupEntry(id));

    EXPECT_TRUE(DeleteStartupEntry(id));
    EXPECT_FALSE(QFile::exists(StartupEntryPath(id)));
    EXPECT_FALSE(DeleteStartupEntry(id));
}

}  // namespace
}  // namespace velotune::platform
