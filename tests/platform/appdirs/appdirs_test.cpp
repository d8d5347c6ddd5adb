// Both programs must agree on where the station database lives; a system-wide install keeps a
// private copy that the first start seeds and later starts never overwrite.
#include "platform/appdirs/appdirs.h"

#include <gtest/gtest.h>

#include <QFile>

#include "res/texts.h"
#include "tests/support/test_env.h"

namespace velotune::platform {
namespace {

void WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(AppDirsTest, ReadOnlyInstallUsesSeededPrivateCopy) {
    const QString installed = test::MakeTempDir(QStringLiteral("install"));
    WriteFile(installed + QStringLiteral("/velostn.dat"), "shipped");
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const QString data = test::MakeTempDir(QStringLiteral("data"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));

    EXPECT_EQ(ResolveDataDirectory(installed, true), installed);
    EXPECT_EQ(DataDirectory(), ProgramDirectory());  // the tests' folder is writable
    const QString dir = ResolveDataDirectory(installed, false);
    EXPECT_EQ(dir, data + QStringLiteral("/Velotune"));
    EXPECT_EQ(ReadFile(dir + QStringLiteral("/velostn.dat")), "shipped");

    WriteFile(dir + QStringLiteral("/velostn.dat"), "updated by the user");
    EXPECT_EQ(ResolveDataDirectory(installed, false), dir);
    EXPECT_EQ(ReadFile(dir + QStringLiteral("/velostn.dat")), "updated by the user");
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/velostn.dat.part")));

    qputenv("XDG_DATA_HOME", saved);
}

// An installed program folder is never the data folder, whoever may write there; a build's bin/
// and copied folders are, when writable.
TEST(AppDirsTest, OnlyTheInstallMarkerMakesAFolderAnInstallation) {
    const QString installed = test::MakeTempDir(QStringLiteral("install"));
    EXPECT_FALSE(IsInstallation(installed));
    EXPECT_FALSE(IsInstallation(ProgramDirectory()));
    EXPECT_FALSE(IsInstallation(QString()));
    WriteFile(installed + QLatin1Char('/') + QString::fromUtf8(text::kInstallationMarkerFile), "");
    EXPECT_TRUE(IsInstallation(installed));
}

}  // namespace
}  // namespace velotune::platform
