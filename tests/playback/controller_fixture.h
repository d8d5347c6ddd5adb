// tests/playback/controller_fixture.h
//
// A controller on a real station database file and a private settings file, with stand-in
// windows: the set-up both the service tests and the playback tests start from.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "tests/playback/controller_sandbox.h"
#include "tests/playback/fake_windows.h"
#include "tests/support/message_recorder.h"

namespace velotune::test {

CRadioSet MakeStation(const QString& name, const QString& url,
                      const QString& format = QStringLiteral("WMP"));

class ControllerTest : public ::testing::Test {
protected:
    // Writes the database (stations and playlist as given; every playlist station flagged),
    // points the settings at a fresh folder and makes the controller with the main window
    // registered.
    void Start(const QList<CRadioSet>& stations, const QList<int>& playlistIds);
    void TearDown() override;

    static bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 20000) {
        return WaitForEvents(pred, timeoutMs);
    }
    static void Drain() { DrainEvents(); }

    // The stored playlist (RadioID, PlaylistID) pairs.
    PlaylistList StoredPlaylist();
    // The stored file list.
    QStringList StoredFiles();
    // What a settings read finds, or nothing.
    std::optional<int> Stored(int (CSettingsStore::*read)(int*) const) {
        int value = 0;
        return (controller_->Settings().*read)(&value) ? std::optional<int>(value) : std::nullopt;
    }

    // Makes the usage reporter of the next Start (none when empty).
    std::function<std::unique_ptr<IUsageReporter>(IUsageReportOwner&)> reporterFactory_;
    ControllerSandbox sandbox_;
    QString dataDir_;
    QString programDir_;
    MessageRecorder messages_;
    FakeWindowFactory factory_;
    FakeMainWindow main_;
    std::unique_ptr<CTorvikCommandCentre> controller_;
};

}  // namespace velotune::test
