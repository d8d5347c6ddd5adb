// tests/support/test_env.h
//
// The environment every test program runs in: private XDG config, cache and data folders and a
// private TMPDIR under one scratch folder, the offscreen Qt platform, the ALSA null device, and a
// usage-report server on a loopback port where nothing listens. Nothing a test does reaches the
// user's own settings, caches or sound card, or the maker's server.
#pragma once

#include <QString>

namespace velotune::test {

// Called once by the test main before the Qt application object exists.
void PrepareEnvironment();

// A new, empty folder under the test program's scratch folder (removed at exit).
QString MakeTempDir(const QString& prefix = QStringLiteral("t"));

// The source tree and the build's bin/ folder of the build these tests belong to.
QString SourceDir();
QString BinDir();

// Runs a program and waits for it; returns its exit code, or -1 when it could not start or did not
// end within timeoutMs. Standard output and error are appended to *output when given.
int RunProgram(const QString& program, const QStringList& args, QString* output = nullptr,
               int timeoutMs = 60000);

// Whether a program owns the well-known name on the session bus (asked with gdbus, as a desktop
// component outside the process would).
bool BusNameOwned(const QString& name, int timeoutMs = 10000);

// Calls a method of the player's automation object as any program on the bus would; returns
// gdbus's exit code (0 when the call was answered).
int CallPlayer(const QString& method, int timeoutMs = 10000);

}  // namespace velotune::test
