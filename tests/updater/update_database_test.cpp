// Carrying the user's playlist into a new edition and putting the edition in place: each orphan
// entry goes, the flags follow the playlist, and velostn.dat is never anything but the old file
// or the whole new one.
#include "updater/update_database.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "tests/support/message_recorder.h"
#include "tests/support/test_env.h"
#include "tests/updater/updater_fixture.h"
#include "updater/work_folder.h"

namespace velotune {
namespace {

using test::ReadFile;

class UpdateDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        config_.dataDir = test::MakeTempDir(QStringLiteral("program"));
        config_.tempDir = test::MakeTempDir(QStringLiteral("tmp")) + QLatin1Char('/');
        test::WriteDatabase(config_.NewDatabasePath(), test::NewEdition());
    }

    void SetUserPlaylist(const PlaylistList& list) {
        StationDbContent user = test::UserEdition();
        user.playlist = list;
        test::WriteDatabase(config_.DatabasePath(), user);
    }

    // The new edition's playlist, and the Playlist flag of station 1 (its own preset).
    PlaylistList NewPlaylist(std::int32_t* presetFlag = nullptr) {
        CRadioDatabase db;
        PlaylistList list;
        CRadioSet preset;
        EXPECT_EQ(db.OpenDatabase(config_.NewDatabasePath()), kDbOk);
        EXPECT_EQ(db.LoadPlaylist(list), kDbOk);
        EXPECT_EQ(db.GetStation(1, preset), kDbOk);
        if (presetFlag)
            *presetFlag = preset.m_Playlist;
        return list;
    }

    UpdaterConfig config_;
    test::MessageRecorder messages_;
};

TEST_F(UpdateDatabaseTest, MergeOfAnEmptyPlaylistAndOfRepeatedOrphans) {
    SetUserPlaylist({});
    ASSERT_TRUE(Merge(config_, {}));
    std::int32_t presetFlag = -1;
    EXPECT_TRUE(NewPlaylist(&presetFlag).isEmpty());
    EXPECT_EQ(presetFlag, 0);

    // Each orphan entry drops one row of its station, so both rows of station 6 go.
    test::WriteDatabase(config_.NewDatabasePath(), test::NewEdition());
    SetUserPlaylist({{6, 1}, {3, 2}, {6, 3}, {99, 4}});
    ASSERT_TRUE(Merge(config_, {}));
    EXPECT_EQ(NewPlaylist(), (PlaylistList{{3, 2}}));
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(UpdateDatabaseTest, ReplaceIsAllOrNothing) {
    SetUserPlaylist(test::kUserPlaylist);
    const QByteArray user = ReadFile(config_.DatabasePath());
    const QByteArray edition = ReadFile(config_.NewDatabasePath());
    const auto files = [this] {
        return QDir(config_.dataDir).entryList(QDir::Files | QDir::Hidden);
    };

    // A file the user made read-only stays, even for a user the system would let write it.
    QFile::setPermissions(config_.DatabasePath(), QFile::ReadOwner);
    EXPECT_FALSE(ReplaceDatabase(config_));
    EXPECT_EQ(ReadFile(config_.DatabasePath()), user);
    EXPECT_EQ(ReadFile(config_.NewDatabasePath()), edition);

    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QFile::setPermissions(config_.DatabasePath(), mode);
    ASSERT_TRUE(ReplaceDatabase(config_));
    EXPECT_EQ(ReadFile(config_.DatabasePath()), edition);
    EXPECT_FALSE(QFile::exists(config_.NewDatabasePath()));
    EXPECT_EQ(QFile::permissions(config_.DatabasePath()) & 0x7077, mode);
    EXPECT_EQ(files(), QStringList{QStringLiteral("velostn.dat")});

    // Nothing to put in place: nothing changes.
    EXPECT_FALSE(ReplaceDatabase(config_));
    EXPECT_EQ(ReadFile(config_.DatabasePath()), edition);
    EXPECT_EQ(files(), QStringList{QStringLiteral("velostn.dat")});
}

// Each run works in a fresh folder of its own that only the user can enter and that goes when the
// run ends; a killed run's folder and half-made copy go at the next start, a running one's stay.
TEST(WorkFolderTest, FreshPrivateAndGoneAfterwardsAndAfterAKilledRun) {
    const QString base = test::MakeTempDir(QStringLiteral("tmpbase"));
    const QString data = test::MakeTempDir(QStringLiteral("data"));
    // What earlier runs left: one killed (no such process), one of a process that runs (ours
    // stands in for it: the name carries the pid of a live process), and a stranger's folder.
    test::WriteFile(base + QStringLiteral("/velosync-999999999-abcdef/newfm.dat-journal"), "x");
    const QString live = base + QStringLiteral("/velosync-1-abcdef");  // init always runs
    QDir().mkpath(live);
    QDir().mkpath(base + QStringLiteral("/velosync-other"));
    test::WriteFile(data + QStringLiteral("/velostn.dat.new-1234abcd"), "half a copy");
    test::WriteFile(data + QStringLiteral("/velostn.dat"), "the user's");

    EXPECT_EQ(RemoveLeftovers(base, data), 2);
    EXPECT_EQ(QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("velosync-1-abcdef"), QStringLiteral("velosync-other")}));
    EXPECT_EQ(QDir(data).entryList(QDir::Files), QStringList{QStringLiteral("velostn.dat")});

    QString path;
    {
        const WorkFolder work(base);
        ASSERT_TRUE(work.IsValid());
        path = work.Path();
        EXPECT_TRUE(path.startsWith(base + QStringLiteral("/velosync-") +
                                    QString::number(QCoreApplication::applicationPid()) +
                                    QLatin1Char('-')));
        EXPECT_TRUE(path.endsWith(QLatin1Char('/')));
        EXPECT_TRUE(QDir(path).isEmpty());
        EXPECT_EQ(QFileInfo(path).permissions() & 0x7077,
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        test::WriteFile(path + QStringLiteral("newfm.dat"), "edition");
        // Our own folder is not a leftover.
        EXPECT_EQ(RemoveLeftovers(base, data), 0);
        EXPECT_TRUE(QFile::exists(path + QStringLiteral("newfm.dat")));
    }
    EXPECT_FALSE(QFileInfo::exists(path));
}

}  // namespace
}  // namespace velotune
