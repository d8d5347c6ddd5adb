// The package reader takes one file out of a self-extracting zip that came over the network: it
// must find it behind any program, write nothing else, and refuse packages that are unsafe or
// damaged without touching the file it would have replaced.
#include "platform/package/package.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "tests/support/test_env.h"

namespace velotune::platform {
namespace {

enum class Kind { File, Folder, Symlink };

struct Entry {
    QString name;
    QByteArray data;
    Kind kind = Kind::File;
};

la_ssize_t Append(archive*, void* out, const void* data, size_t size) {
    static_cast<QByteArray*>(out)->append(static_cast<const char*>(data), qsizetype(size));
    return la_ssize_t(size);
}

// A zip archive of the entries, as any zip tool could have made it.
QByteArray Zip(const QList<Entry>& entries) {
    QByteArray bytes;
    archive* a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_set_bytes_in_last_block(a, 1);
    archive_write_open2(a, &bytes, nullptr, &Append, nullptr, nullptr);
    for (const Entry& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.toUtf8().constData());
        archive_entry_set_perm(entry, 0644);
        switch (e.kind) {
            case Kind::File:
                archive_entry_set_filetype(entry, AE_IFREG);
                archive_entry_set_size(entry, e.data.size());
                break;
            case Kind::Folder:
                archive_entry_set_filetype(entry, AE_IFDIR);
                break;
            case Kind::Symlink:
                archive_entry_set_filetype(entry, AE_IFLNK);
                archive_entry_set_symlink(entry, "/etc/passwd");
                break;
        }
        EXPECT_EQ(archive_write_header(a, entry), ARCHIVE_OK) << archive_error_string(a);
        if (e.kind == Kind::File)
            archive_write_data(a, e.data.constData(), size_t(e.data.size()));
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
    return bytes;
}

const QByteArray kStub = "#!/bin/sh\necho unpack me\nexit 0\n";

QByteArray Database() {
    QByteArray data;
    for (int i = 0; i < 5000; ++i)
        data += "station " + QByteArray::number(i * 7919 % 10007) + "\n";
    return data;
}

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = test::MakeTempDir(QStringLiteral("package"));
        out_ = test::MakeTempDir(QStringLiteral("out"));
        target_ = out_ + QStringLiteral("/newfm.dat");
    }

    QString Write(const QByteArray& bytes) {
        const QString path = dir_ + QStringLiteral("/vexadb.exe");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    }

    PackageError Extract(const QByteArray& package, qint64 limit = kMaxPackageEntryBytes) {
        return ExtractPackageEntry(Write(package), QStringLiteral("newfm.dat"), target_, &why_,
                                   limit);
    }

    QByteArray Target() const {
        QFile file(target_);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QStringList OutputFiles() const {
        return QDir(out_).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QString dir_, out_, target_, why_;
};

TEST_F(PackageTest, WritesOnlyTheWantedEntryFromBehindAnyProgram) {
    const QList<Entry> entries = {{QStringLiteral("readme.txt"), "hello"},
                                  {QStringLiteral("data/"), {}, Kind::Folder},
                                  {QStringLiteral("data/newfm.dat"), "not this one"},
                                  {QStringLiteral("newfm.dat"), Database()},
                                  {QStringLiteral("setup.sh"), "rm -rf ~"}};
    for (const QByteArray& package : {kStub + Zip(entries), Zip(entries)}) {
        QFile::remove(target_);
        ASSERT_EQ(Extract(package), PackageError::None) << why_.toStdString();
        EXPECT_EQ(Target(), Database());
        EXPECT_EQ(OutputFiles(), QStringList{QStringLiteral("newfm.dat")});
    }
    // The name is matched as the self-extractor's home system matches file names.
    ASSERT_EQ(Extract(kStub + Zip({{QStringLiteral("NEWFM.DAT"), "upper"}})), PackageError::None);
    EXPECT_EQ(Target(), "upper");
}

TEST_F(PackageTest, RefusesUnsafePackagesWithoutTouchingTheTarget) {
    struct Case {
        const char* what;
        QList<Entry> extra;
        PackageError error;
    };
    const QList<Case> cases = {
        {"parent folder", {{QStringLiteral("../newfm.dat"), "evil"}}, PackageError::UnsafeEntry},
        {"parent inside", {{QStringLiteral("a/../../x"), "evil"}}, PackageError::UnsafeEntry},
        {"backslashes", {{QStringLiteral("..\\x"), "evil"}}, PackageError::UnsafeEntry},
        {"absolute", {{QStringLiteral("/tmp/x"), "evil"}}, PackageError::UnsafeEntry},
        {"drive", {{QStringLiteral("C:\\x"), "evil"}}, PackageError::UnsafeEntry},
        {"symlink", {{QStringLiteral("link"), {}, Kind::Symlink}}, PackageError::UnsafeEntry},
        {"twice", {{QStringLiteral("newfm.dat"), "second"}}, PackageError::UnsafeEntry},
        {"oversized", {{QStringLiteral("big.bin"), QByteArray(4096, 'x')}}, PackageError::TooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile old(target_);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
        old.write("the user's file");
        old.close();
        // The unsafe entry comes after the wanted one, which has been read by then.
        QList<Entry> entries = {{QStringLiteral("newfm.dat"), "good"}};
        entries += c.extra;
        EXPECT_EQ(Extract(kStub + Zip(entries), 1024), c.error);
        EXPECT_EQ(Target(), "the user's file");
        EXPECT_EQ(OutputFiles(), QStringList{QStringLiteral("newfm.dat")});
    }
}

TEST_F(PackageTest, RefusesDamagedPackagesWithoutTouchingTheTarget) {
    const QByteArray good = kStub + Zip({{QStringLiteral("newfm.dat"), Database()}});
    QByteArray flipped = good;
    for (qsizetype i = kStub.size() + 200; i < kStub.size() + 260; ++i)
        flipped[i] = char(flipped[i] ^ 0x5a);

    EXPECT_EQ(Extract(kStub + Zip({{QStringLiteral("other.dat"), "x"}})),
              PackageError::EntryMissing);
    EXPECT_EQ(Extract(good.left(good.size() - 40)), PackageError::NotAnArchive);
    EXPECT_EQ(Extract(good.left(good.size() / 2)), PackageError::NotAnArchive);
    EXPECT_EQ(Extract(QByteArray(70000, 'M')), PackageError::NotAnArchive);
    EXPECT_EQ(Extract(flipped), PackageError::Corrupt);
    EXPECT_EQ(ExtractPackageEntry(dir_ + QStringLiteral("/none.exe"), QStringLiteral("newfm.dat"),
                                  target_),
              PackageError::OpenFailed);
    EXPECT_TRUE(OutputFiles().isEmpty());
    EXPECT_EQ(ExtractPackageEntry(Write(good), QStringLiteral("newfm.dat"),
                                  out_ + QStringLiteral("/missing/newfm.dat")),
              PackageError::WriteFailed);
    EXPECT_TRUE(OutputFiles().isEmpty());
}

}  // namespace
}  // namespace velotune::platform
