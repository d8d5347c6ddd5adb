#include "tests/support/test_env.h"

#include <QDir>
#include <QUuid>
#include <cstdlib>
#include <filesystem>

#include "tests/support/child_process.h"

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
    // Whatever a test plays, and every player it starts, reports there; tests of the reports
    // name a server of their own.
    qputenv("VELOTUNE_REPORT_HOST", "127.0.0.1:1");
}

QString MakeTempDir(const QString& prefix) {
    const QString path = g_scratch + QLatin1Char('/') + prefix + QLatin1Char('-') +
                         QUuid::createUuid().toString(QUuid::Id128).left(12);
    QDir().mkpath(path);
    return path;
}

QString SourceDir() { return QString::fromUtf8(VELOTUNE_SOURCE_DIR); }
QString BinDir() { return QString::fromUtf8(VELOTUNE_BIN_DIR); }

int RunProgram(const QString& program, const QStringList& args, QString* output, int timeoutMs) {
    const QString log = g_scratch + QStringLiteral("/run-") +
                        QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(".txt");
    ChildProcess process;
    if (!process.Start(program, args, log))
        return -1;
    int code = process.Wait(timeoutMs);
    if (code == -2) {
        process.Stop(0);
        code = -1;
    }
    QFile file(log);
    if (output && file.open(QIODevice::ReadOnly))
        *output += QString::fromLocal8Bit(file.readAll());
    file.close();
    file.remove();
    return code;
}

bool BusNameOwned(const QString& name, int timeoutMs) {
    QString out;
    RunProgram(QStringLiteral("gdbus"),
               {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("--object-path"),
                QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("--method"),
                QStringLiteral("org.freedesktop.DBus.NameHasOwner"), name},
               &out, timeoutMs);
    return out.contains(QLatin1String("true"));
}

int CallPlayer(const QString& method, int timeoutMs) {
    return RunProgram(
        QStringLiteral("gdbus"),
        {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
         QStringLiteral("Torvik.Application"), QStringLiteral("--object-path"),
         QStringLiteral("/Torvik/Application"), QStringLiteral("--method"),
         QStringLiteral("Torvik.Application.") + method},
        nullptr, timeoutMs);
}

}  // namespace velotune::test
