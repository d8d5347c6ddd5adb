// The download worker on its own: what it leaves in the cache and beside the database, how it
// gives up, and how its progress counters carry over from one download to the next in a run.
#include "updater/workers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "res/texts.h"
#include "tests/support/test_env.h"
#include "tests/updater/updater_fixture.h"
#include "updater/messages.h"

namespace velotune {
namespace {

using test::ReadFile;
using test::WaitUntil;

// Stands in for the main dialog: records what the workers report to it.
class MainWindow : public QObject {
public:
    QList<int> progress;  // positions as the bar would show them, starting from 0
    QStringList statuses;
    int result = 0;  // WM_DOWNLOAD_SUCCEEDED or WM_DOWNLOAD_FAILED
    QString path;

protected:
    void customEvent(QEvent* event) override {
        const UpdaterMessage* m = AsUpdaterMessage(event);
        if (!m)
            return;
        if (m->Message() == WM_PROGRESS)
            progress.append(m->LParam() == 0
                                ? int(m->WParam())
                                : progress.value(progress.size() - 1) + int(m->WParam()));
        else if (m->Message() == WM_STATUS_TEXT)
            statuses.append(m->First());
        else if (m->Message() == WM_DOWNLOAD_SUCCEEDED || m->Message() == WM_DOWNLOAD_FAILED) {
            result = m->Message();
            path = m->First();
        }
    }
};

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ClearProxyEnvironment();
        ASSERT_TRUE(server_.IsRunning());
        cache_ = test::MakeTempDir(QStringLiteral("cache"));
        data_ = test::MakeTempDir(QStringLiteral("program"));
        for (int i = 0; i < 150 * 1024; ++i)
            package_ += char((i * 7919) >> 3);
        test::WriteFile(server_.Root() + QStringLiteral("/vexadb/vexadb21.exe"), package_);
    }

    // Runs one download on worker and waits for its result.
    int Download(CDownloadDatabaseDlg& worker, const QString& path) {
        window_ = std::make_unique<MainWindow>();
        worker.Start(window_.get(), server_.Url(path));
        EXPECT_TRUE(WaitUntil([this] { return window_->result != 0; }));
        return window_->result;
    }

    QStringList Files(const QString& dir) const {
        return QDir(dir).entryList(QDir::Files | QDir::Hidden);
    }

    test::FixtureServer server_{test::MakeTempDir(QStringLiteral("www"))};
    QString cache_, data_;
    QByteArray package_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(DownloadTest, TakesTheFreshPackageOutOfTheCache) {
    test::WriteFile(cache_ + QStringLiteral("/a1b2c3/vexadb[1].exe"), "old package");
    test::WriteFile(cache_ + QStringLiteral("/a1b2c3/page.html"), "someone else's");
    test::WriteFile(cache_ + QStringLiteral("/download/vexadb21.exe"), "older package");
    CDownloadDatabaseDlg worker(cache_, data_);

    EXPECT_EQ(Download(worker, QStringLiteral("/vexadb/vexadb21.exe")), WM_DOWNLOAD_SUCCEEDED);
    EXPECT_EQ(window_->path, data_ + QStringLiteral("/vexadb.exe"));
    EXPECT_EQ(ReadFile(data_ + QStringLiteral("/vexadb.exe")), package_);
    EXPECT_EQ(Files(cache_ + QStringLiteral("/a1b2c3")), QStringList{QStringLiteral("page.html")});
    EXPECT_TRUE(Files(cache_ + QStringLiteral("/download")).isEmpty());
    EXPECT_EQ(window_->statuses, QStringList{QString::fromUtf8(text::kStatusDownloading)});

    // 150 KiB is more than 112 blocks: 24, then 56 steps of one.
    QList<int> expected{24};
    for (int p = 25; p <= 80; ++p)
        expected.append(p);
    EXPECT_EQ(window_->progress, expected);

    // The counters belong to the run: a second download of the same kind moves nothing.
    EXPECT_EQ(Download(worker, QStringLiteral("/vexadb/vexadb21.exe")), WM_DOWNLOAD_SUCCEEDED);
    EXPECT_EQ(window_->progress, QList<int>{24});
}

TEST_F(DownloadTest, FailsWithoutLeavingAPackageAnywhere) {
    QFile::copy(server_.Root() + QStringLiteral("/vexadb/vexadb21.exe"),
                server_.Root() + QStringLiteral("/vexadb/edition.zip"));
    CDownloadDatabaseDlg small(cache_, data_, 100 * 1024);
    CDownloadDatabaseDlg worker(cache_, data_);
    // Too large; a name the cache is not searched for; an error page.
    const QList<QPair<CDownloadDatabaseDlg*, const char*>> cases = {
        {&small, "/vexadb/vexadb21.exe"},
        {&worker, "/vexadb/edition.zip"},
        {&worker, "/vexadb/none.exe"}};
    for (const auto& [downloader, path] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(Download(*downloader, QString::fromUtf8(path)), WM_DOWNLOAD_FAILED);
        EXPECT_TRUE(Files(cache_ + QStringLiteral("/download")).isEmpty());
        EXPECT_TRUE(Files(data_).isEmpty());
    }

    // Nobody listens: every kind of access is tried, and none gets as far as a status text.
    quint16 closedPort = 0;
    {
        test::FixtureServer gone(test::MakeTempDir(QStringLiteral("gone")));
        closedPort = gone.Port();
    }
    window_ = std::make_unique<MainWindow>();
    worker.Start(window_.get(), QStringLiteral("http://127.0.0.1:%1/vexadb.exe").arg(closedPort));
    ASSERT_TRUE(WaitUntil([this] { return window_->result != 0; }));
    EXPECT_EQ(window_->result, WM_DOWNLOAD_FAILED);
    EXPECT_TRUE(window_->statuses.isEmpty());
}

}  // namespace
}  // namespace velotune
