#include "tests/support/test_env.h"

#include <QDir>
#include <QProcess>
#include <QUuid>
#include <cstdlib>
#include <filesystem>

namespace velotune::test {
namespace {

QString g_scratch;

void RemoveScratch() {
    if (!g_scratch.isEmpty() && !qEnvironmentVariableIsSet("VELOTUNE_TEST_KEEP"))
        std::filesystem::remove_all(g_scratch.toStdString());
}

void SetIfUnset(const char* name, const char* value) {
    if (!qEnvironmentVariableIsSet(name))
        qputenv(name, value);
}

}  // namespace

void PrepareEnvironment() {
    std::string base = std::filesystem::temp_directory_path() / "velotune-test-XXXXXX";
    if (!mkdtemp(base.data()))
        std::abort();
    g_scratch = QString::fromStdString(base);
    std::atexit(RemoveScratch);
    for (const char* sub : {"config", "cache", "data", "tmp", "runtime"})
        QDir(g_scratch).mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(g_scratch + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(g_scratch + QStringLiteral("/config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(g_scratch + QStringLiteral("/cache")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(g_scratch + QStringLiteral("/data")));
    qputenv("TMPDIR", QFile::encodeName(g_scratch + QStringLiteral("/tmp")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(g_scratch + QStringLiteral("/runtime")));
    SetIfUnset("QT_QPA_PLATFORM", "offscreen");
    SetIfUnset("VELOTUNE_ALSA_DEVICE", "null");
}

QString ScratchDir() { return g_scratch; }

QString MakeTempDir(const QString& prefix) {
    const QString path = g_scratch + QLatin1Char('/') + prefix + QLatin1Char('-') +
                         QUuid::createUuid().toString(QUuid::Id128).left(12);
    QDir().mkpath(path);
    return path;
}

QString SourceDir() { return QString::fromUtf8(VELOTUNE_SOURCE_DIR); }
QString BinDir() { return QString::fromUtf8(VELOTUNE_BIN_DIR); }

int RunProgram(const QString& program, const QStringList& args, QString* output, int timeoutMs) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForStarted(10000))
        return -1;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return -1;
    }
    if (output)
        *output += QString::fromLocal8Bit(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

}  // namespace velotune::test
