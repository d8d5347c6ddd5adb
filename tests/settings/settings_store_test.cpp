// The settings store is the player's memory between runs: a fresh machine must give the defaults,
// every setting must land in a value of its own, and the stored file list must survive removals,
// hand-made holes and long paths.
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include "platform/appdirs/appdirs.h"
#include "platform/registry/registry.h"
#include "tests/support/test_env.h"

namespace velotune {
namespace {

using IntReader = int (CSettingsStore::*)(int*) const;
using IntWriter = int (CSettingsStore::*)(int) const;

struct IntSetting {
    const char* name;
    IntReader read;
    IntWriter write;
};

#define INT_SETTING(name) \
    { #name, &CSettingsStore::Read##name, &CSettingsStore::Write##name }
const IntSetting kIntSettings[] = {
    INT_SETTING(TrayIcon),          INT_SETTING(ShowWindow),
    INT_SETTING(AlwaysOnTop),       INT_SETTING(Volume),
    INT_SETTING(CurrentPlaylistID), INT_SETTING(CurrentLocalPlaylistID),
    INT_SETTING(FileListTotal),     INT_SETTING(IsMini),
    INT_SETTING(PLVisible),         INT_SETTING(PLBinded),
    INT_SETTING(PLBottomBinded),    INT_SETTING(ActivePlaylistType),
    INT_SETTING(HitDelivered),      INT_SETTING(ReportDelivered),
    INT_SETTING(UseTime),
};
#undef INT_SETTING

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = qgetenv("XDG_CONFIG_HOME");
        config_ = test::MakeTempDir(QStringLiteral("config"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_));
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", saved_); }

    QStringList Entries() const {
        QStringList entries;
        EXPECT_EQ(store_.ReadFileEntries(&entries), 1);
        return entries;
    }
    int Total() const {
        int total = -1;
        store_.ReadFileListTotal(&total);
        return total;
    }

    QByteArray saved_;
    QString config_;
    CSettingsStore store_;
};

TEST_F(SettingsStoreTest, FreshMachineReadsNothingAndKeepsOutputs) {
    for (const IntSetting& s : kIntSettings) {
        int value = -77;
        EXPECT_EQ((store_.*s.read)(&value), 0) << s.name;
        EXPECT_EQ(value, -77) << s.name;
    }
    WindowRect rect{1, 2, 3, 4};
    EXPECT_EQ(store_.ReadPlayerRect(&rect), 0);
    EXPECT_EQ(rect, (WindowRect{1, 2, 3, 4}));
    QStringList entries{QStringLiteral("kept")};
    EXPECT_EQ(store_.ReadFileEntries(&entries), 0);
    EXPECT_EQ(entries, QStringList{QStringLiteral("kept")});
    QString uid = QStringLiteral("old");
    EXPECT_EQ(store_.ReadUID(&uid), 0);
    EXPECT_TRUE(uid.isEmpty());
    EXPECT_EQ(store_.IsRunAtStartup(), 0);
    EXPECT_EQ(store_.RealEngineDirectory(), platform::ProgramDirectory());
}

TEST_F(SettingsStoreTest, EverySettingHasAValueOfItsOwn) {
    int distinct = 1000;
    for (const IntSetting& s : kIntSettings)
        ASSERT_EQ((store_.*s.write)(distinct++), 1) << s.name;
    ASSERT_EQ(store_.WritePlayerRect({-1280, 10, -900, 200}), 1);
    ASSERT_EQ(store_.WritePlaylistRect({1, 2, 3, 4}), 1);
    ASSERT_EQ(store_.WriteLocalPlaylistRect({5, 6, 7, 8}), 1);
    ASSERT_EQ(store_.WriteUID(QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e")), 1);
    ASSERT_EQ(store_.WriteRealEngineDirectory(QStringLiteral("/opt/real")), 1);

    distinct = 1000;
    for (const IntSetting& s : kIntSettings) {
        int value = 0;
        ASSERT_EQ((store_.*s.read)(&value), 1) << s.name;
        EXPECT_EQ(value, distinct++) << s.name;
    }
    WindowRect rect;
    ASSERT_EQ(store_.ReadPlayerRect(&rect), 1);
    EXPECT_EQ(rect, (WindowRect{-1280, 10, -900, 200}));
    ASSERT_EQ(store_.ReadPlaylistRect(&rect), 1);
    EXPECT_EQ(rect, (WindowRect{1, 2, 3, 4}));
    ASSERT_EQ(store_.ReadLocalPlaylistRect(&rect), 1);
    EXPECT_EQ(rect, (WindowRect{5, 6, 7, 8}));
    QString uid;
    ASSERT_EQ(store_.ReadUID(&uid), 1);
    EXPECT_EQ(uid, QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e"));
    EXPECT_EQ(store_.RealEngineDirectory(), QStringLiteral("/opt/real"));
}

// Window places are signed: written as the negative numbers they are, and the unsigned form that
// earlier versions wrote is read back as the negative place it meant.
TEST_F(SettingsStoreTest, WindowPlacesAreSignedAndOldUnsignedOnesReadBackNegative) {
    ASSERT_EQ(store_.WritePlaylistRect({-200, -30, 100, 222}), 1);
    QFile file(platform::RegistryFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("Playlist%20Left=-200")) << text.constData();
    EXPECT_FALSE(text.contains("4294967096")) << text.constData();
    file.close();

    platform::RegistryKey key(QStringLiteral("Windows"));
    key.SetDword(QStringLiteral("LocalPlaylist Left"), 4294967096u);
    key.SetDword(QStringLiteral("LocalPlaylist Top"), 4294967286u);
    key.SetDword(QStringLiteral("LocalPlaylist Right"), 100);
    key.SetDword(QStringLiteral("LocalPlaylist Bottom"), 242);
    ASSERT_TRUE(key.Flush());
    WindowRect rect;
    ASSERT_EQ(store_.ReadLocalPlaylistRect(&rect), 1);
    EXPECT_EQ(rect, (WindowRect{-200, -10, 100, 242}));
    ASSERT_EQ(store_.ReadPlaylistRect(&rect), 1);
    EXPECT_EQ(rect, (WindowRect{-200, -30, 100, 222}));
}

TEST_F(SettingsStoreTest, RemovingAnEntryRenumbersTheRest) {
    const QString longEntry =
        QStringLiteral("b.wma::/home/") + QString(400, QLatin1Char('d')) + QStringLiteral("/b.wma");
    EXPECT_EQ(store_.AddFileEntry(QString()), 0);
    EXPECT_EQ(Total(), -1);
    for (const QString& entry : {QStringLiteral("a.wma::/a.wma"), longEntry,
                                 QStringLiteral("c.ra::/c.ra"), QStringLiteral("d.ra::/d.ra")})
        ASSERT_EQ(store_.AddFileEntry(entry), 1);

    EXPECT_EQ(store_.RemoveFileEntry(5), 0);
    EXPECT_EQ(store_.RemoveFileEntry(0), 0);
    ASSERT_EQ(store_.RemoveFileEntry(3), 1);
    ASSERT_EQ(store_.RemoveFileEntry(1), 1);
    EXPECT_EQ(Entries(), (QStringList{longEntry, QStringLiteral("d.ra::/d.ra")}));
    EXPECT_EQ(Total(), 2);
    QString third;
    EXPECT_FALSE(platform::RegReadText(QStringLiteral("Playlist"), QStringLiteral("3"), &third));
}

// The list ends at its first hole, and a total beyond the entries is not trusted: a hand-edited
// or damaged file must neither hang the reader nor bring old entries back.
TEST_F(SettingsStoreTest, AHoleEndsTheListAndAHugeTotalIsNotTrusted) {
    for (const char* entry : {"1::/1", "2::/2", "3::/3"})
        ASSERT_EQ(store_.AddFileEntry(QString::fromLatin1(entry)), 1);
    ASSERT_TRUE(platform::RegDeleteValue(QStringLiteral("Playlist"), QStringLiteral("2")));
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("1::/1")});

    // Removing rewrites the list from what it holds; the entry behind the hole goes too.
    ASSERT_EQ(store_.RemoveFileEntry(1), 1);
    EXPECT_EQ(Total(), 0);
    ASSERT_EQ(store_.AddFileEntry(QStringLiteral("4::/4")), 1);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("4::/4")});

    ASSERT_TRUE(platform::RegWriteDword(QStringLiteral("Playlist"),
                                        QStringLiteral("FileList Total"), 2147483647u));
    ASSERT_TRUE(platform::RegWriteText(QStringLiteral("Playlist"), QStringLiteral("2"),
                                       QStringLiteral("5::/5")));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(Entries(), (QStringList{QStringLiteral("4::/4"), QStringLiteral("5::/5")}));
    ASSERT_EQ(store_.AddFileEntry(QStringLiteral("6::/6")), 1);
    EXPECT_EQ(Total(), 3);
    ASSERT_EQ(store_.RemoveFileEntry(1), 1);
    EXPECT_EQ(Entries(), (QStringList{QStringLiteral("5::/5"), QStringLiteral("6::/6")}));
    EXPECT_LT(clock.elapsed(), 10000);  // counting to the total would take hours
}

// A settings file that exists but cannot be read is not a missing one.
TEST_F(SettingsStoreTest, AnUnreadableFileIsToldFromAMissingOne) {
    EXPECT_TRUE(platform::RegistryFileReadable());
    ASSERT_EQ(store_.WriteUID(QStringLiteral("uid-1")), 1);
    EXPECT_TRUE(platform::RegistryFileReadable());
    // A folder where the file should be cannot be read, whoever runs the test.
    const QString path = platform::RegistryFilePath();
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkpath(path));
    EXPECT_FALSE(platform::RegistryFileReadable());
    QString uid;
    EXPECT_EQ(store_.ReadUID(&uid), 0);
}

TEST_F(SettingsStoreTest, WritesToAnUnwritableFolderFail) {
    // A plain file where the settings folder should be.
    QFile blocker(config_ + QStringLiteral("/Quillon Global"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    EXPECT_EQ(store_.WriteTrayIcon(0), 0);
    EXPECT_EQ(store_.WritePlayerRect({1, 2, 3, 4}), 0);
    EXPECT_EQ(store_.AddFileEntry(QStringLiteral("b::/b")), 0);
}

TEST_F(SettingsStoreTest, StartupEntryNamesThisProgram) {
    ASSERT_EQ(store_.WriteRunAtStartup(), 1);
    EXPECT_EQ(store_.IsRunAtStartup(), 1);
    QString program;
    ASSERT_TRUE(platform::ReadStartupEntry(QStringLiteral("velotune"), &program));
    EXPECT_EQ(program, platform::ProgramPath());
    EXPECT_EQ(store_.DeleteRunAtStartup(), 1);
    EXPECT_EQ(store_.IsRunAtStartup(), 0);
    EXPECT_EQ(store_.DeleteRunAtStartup(), 0);
}

}  // namespace
}  // namespace velotune
