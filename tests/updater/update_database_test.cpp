// Carrying the user's playlist into a new edition and putting the edition in place: the user
// keeps every station the edition still has, with its number; the finder's flags agree with the
// playlist; and velostn.dat is never anything but the old file or the whole new one.
#include "updater/update_database.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "tests/support/message_recorder.h"
#include "tests/support/test_env.h"
#include "tests/updater/updater_fixture.h"

namespace velotune {
namespace {

using test::ReadFile;

class MergeTest : public ::testing::Test {
protected:
    void SetUp() override {
        config_.dataDir = test::MakeTempDir(QStringLiteral("program"));
        config_.tempDir = test::MakeTempDir(QStringLiteral("tmp")) + QLatin1Char('/');
        test::WriteDatabase(config_.DatabasePath(), test::UserEdition());
        test::WriteDatabase(config_.NewDatabasePath(), test::NewEdition());
    }

    void SetUserPlaylist(const PlaylistList& list) {
        StationDbContent user = test::UserEdition();
        user.playlist = list;
        test::WriteDatabase(config_.DatabasePath(), user);
    }

    bool RunMerge() {
        positions_.clear();
        return Merge(config_, [this](int p) { positions_.append(p); });
    }

    PlaylistList NewPlaylist() {
        CRadioDatabase db;
        PlaylistList list;
        EXPECT_EQ(db.OpenDatabase(config_.NewDatabasePath()), kDbOk);
        EXPECT_EQ(db.LoadPlaylist(list), kDbOk);
        return list;
    }

    std::int32_t Flag(std::int32_t radioId) {
        CRadioDatabase db;
        CRadioSet station;
        EXPECT_EQ(db.OpenDatabase(config_.NewDatabasePath()), kDbOk);
        EXPECT_EQ(db.GetStation(radioId, station), kDbOk);
        return station.m_Playlist;
    }

    UpdaterConfig config_;
    QList<int> positions_;
    test::MessageRecorder messages_;
};

TEST_F(MergeTest, CarriesThePlaylistAndDropsOnlyStationsTheEditionLacks) {
    const QByteArray userFile = ReadFile(config_.DatabasePath());
    ASSERT_TRUE(RunMerge()) << messages_.Last().toStdString();
    EXPECT_EQ(positions_, QList<int>{94});
    // Station 6 is gone; station 4 lost its genre but is still there, so the user keeps it.
    // Numbers are kept as they were.
    EXPECT_EQ(NewPlaylist(), (PlaylistList{{5, 1}, {2, 2}, {4, 3}}));
    // The finder reads the flags: the carried stations are on the playlist, the edition's own
    // preset (station 1) no longer is.
    EXPECT_EQ(Flag(5), 1);
    EXPECT_EQ(Flag(2), 1);
    EXPECT_EQ(Flag(4), 1);
    EXPECT_EQ(Flag(1), 0);
    EXPECT_EQ(Flag(3), 0);
    EXPECT_EQ(ReadFile(config_.DatabasePath()), userFile);
    EXPECT_TRUE(messages_.Texts().isEmpty());
    EXPECT_FALSE(QFile::exists(config_.NewDatabasePath() + QStringLiteral("-journal")));
}

TEST_F(MergeTest, EmptyPlaylistsAndRepeatedOrphans) {
    SetUserPlaylist({});
    ASSERT_TRUE(RunMerge());
    EXPECT_TRUE(NewPlaylist().isEmpty());
    EXPECT_EQ(Flag(1), 0);

    // Each orphan entry drops one row of its station, so both go.
    test::WriteDatabase(config_.NewDatabasePath(), test::NewEdition());
    SetUserPlaylist({{6, 1}, {3, 2}, {6, 3}, {99, 4}});
    ASSERT_TRUE(RunMerge());
    EXPECT_EQ(NewPlaylist(), (PlaylistList{{3, 2}}));
}

TEST_F(MergeTest, FailsWhileThePlayerHoldsTheDatabaseOrTheEditionIsMissing) {
    const QByteArray edition = ReadFile(config_.NewDatabasePath());
    {
        CRadioDatabase player;
        ASSERT_EQ(player.OpenDatabase(config_.DatabasePath()), kDbOk);
        EXPECT_FALSE(RunMerge());
        EXPECT_TRUE(positions_.isEmpty());
        EXPECT_TRUE(messages_.Last().contains(QStringLiteral("locked")))
            << messages_.Last().toStdString();
    }
    EXPECT_EQ(ReadFile(config_.NewDatabasePath()), edition);

    messages_.Clear();
    QFile::remove(config_.NewDatabasePath());
    EXPECT_FALSE(RunMerge());
    EXPECT_EQ(positions_, QList<int>{94});
    EXPECT_EQ(messages_.Texts().size(), 1);
    EXPECT_FALSE(QFile::exists(config_.NewDatabasePath()));  // never created by opening
}

class ReplaceTest : public MergeTest {
protected:
    QStringList DataFiles() const {
        return QDir(config_.dataDir).entryList(QDir::Files | QDir::Hidden);
    }
};

TEST_F(ReplaceTest, PutsTheWholeEditionInPlaceAndKeepsPermissions) {
    const QByteArray edition = ReadFile(config_.NewDatabasePath());
    QFile::setPermissions(config_.DatabasePath(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    ASSERT_TRUE(ReplaceDatabase(config_));
    EXPECT_EQ(ReadFile(config_.DatabasePath()), edition);
    EXPECT_FALSE(QFile::exists(config_.NewDatabasePath()));
    EXPECT_EQ(QFile::permissions(config_.DatabasePath()) & 0x7077,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_EQ(DataFiles(), QStringList{QStringLiteral("velostn.dat")});
}

TEST_F(ReplaceTest, LeavesEverythingAsItWasWhenItCannot) {
    const QByteArray user = ReadFile(config_.DatabasePath());
    const QByteArray edition = ReadFile(config_.NewDatabasePath());
    QFile::setPermissions(config_.DatabasePath(), QFile::ReadOwner);
    EXPECT_FALSE(ReplaceDatabase(config_));
    EXPECT_EQ(ReadFile(config_.DatabasePath()), user);
    EXPECT_EQ(ReadFile(config_.NewDatabasePath()), edition);

    QFile::setPermissions(config_.DatabasePath(), QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(config_.NewDatabasePath());
    EXPECT_FALSE(ReplaceDatabase(config_));
    EXPECT_EQ(ReadFile(config_.DatabasePath()), user);
    EXPECT_EQ(DataFiles(), QStringList{QStringLiteral("velostn.dat")});
}

}  // namespace
}  // namespace velotune
