// updater/update_dialog.h
//
// CTorvikDBUpdateDlg, the updater's one window: "Velotune Database Update". "Start Update" closes
// the player, then runs the update sequence: the check and the download on worker threads, then
// extraction, merge and replacement of the station database on this thread. Each step shows its
// status text (control 1002) and moves the progress bar (control 1000); the sequence ends in
// "Database Update Completed. You may now start Velotune", "Database is Already Latest, No Updates
// Required!" or one of the four error texts, after which "Start Update" may be pressed again.
//
// Controls carry their ids as object names: "1" Start Update, "2" Cancel Update / Close Updates,
// "1000" the progress bar, "1001" the "Status:" caption, "1002" the status text.
//
// Threading: the user-interface thread only. Workers reach the dialog only through the messages of
// updater/messages.h, which it handles in customEvent().
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "updater/update_config.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace velotune {

class CCheckUpdatesDlg;
class CDownloadDatabaseDlg;
class CLoggingDlg;

// Control ids.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_PROGRESS = 1000;
inline constexpr int IDC_STATUS_CAPTION = 1001;
inline constexpr int IDC_STATUS = 1002;

// The four error texts, each joined once from its first sentence and the shared second one.
struct UpdaterErrorTexts {
    QString check;     // "ERROR: Unable to Check for Updates. Please Check your Connection ..."
    QString download;  // "ERROR: Unable to Download Database. Please Check your Connection ..."
    QString merge;     // "ERROR: Unable to Merge the Database. If Velotune is opened, ..."
    QString copy;      // "ERROR: Unable to Copy the new Database. If Velotune is opened, ..."
};
const UpdaterErrorTexts& ErrorTexts();

class CTorvikDBUpdateDlg : public QDialog {
    Q_OBJECT

public:
    // dbVersion: the user's edition as the command line gave it (text after "-v:"). closePlayer:
    // asks a running player to close (blocks until it has answered or is known not to run);
    // failures are its own business.
    CTorvikDBUpdateDlg(const UpdaterConfig& config, const QString& dbVersion,
                       std::function<void()> closePlayer, QWidget* parent = nullptr);
    // Stops the workers, interrupting a request in progress.
    ~CTorvikDBUpdateDlg() override;

    // Brings the window to the front (a second start of the updater asks for this).
    void BringToFront();

    bool IsUpdating() const { return m_bUpdating; }
    QString Status() const { return m_strStatus; }

    // "Start Update" and "Cancel Update" / "Close Updates", as the buttons run them.
    void OnStartUpdate();
    // Also every request to close the window. While an update runs it asks first; on Yes the
    // requests in progress end at once and the dialog closes.
    void reject() override;

Q_SIGNALS:
    // Each time the status text changes, workers' texts included.
    void StatusChanged(const QString& status);

protected:
    void customEvent(QEvent* event) override;

private:
    void BuildControls();
    void SetStatus(const QString& status);
    void SetProgress(int position);
    void OnProgress(int amount, int mode);
    void OnUpdateChecked(const QString& serverVersion, const QString& packageAddress);
    void OnUpdateCheckFailed();
    void OnDownloadSucceeded(const QString& packagePath);
    void OnDownloadFailed();
    // Ends a sequence in success or "already latest".
    void Finish();
    // Ends a sequence in an error: the user may close, or start again.
    void ResetAfterError(const QString& status);
    // Tells the user why the check or the download failed (frame, then the worker's reason), once.
    void ShowFailureReason(const char* frame);
    // Waits on this thread, still painting but holding back the user's input (as the sequence's
    // steps do). Returns whether the update is still going: false when the user quit meanwhile.
    bool Pause(int ms);

    const UpdaterConfig m_config;
    const QString m_strDBVersion;
    std::function<void()> m_closePlayer;

    QString m_strStatus;
    QString m_strFailureReason;  // why the job that is about to report failure failed
    bool m_bUpdating = false;
    std::int32_t m_nServerVersion = 0;            // the edition the update page announced
    int m_nStep = 10;                             // the progress bar's step, as WM_PROGRESS sets it
    bool m_bAsking = false;                       // the quit question is open
    std::vector<std::unique_ptr<QEvent>> m_held;  // results that arrived while it was

    QPushButton* m_pStart = nullptr;
    QPushButton* m_pCancel = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QLabel* m_pStatus = nullptr;

    std::unique_ptr<CCheckUpdatesDlg> m_pCheckDlg;
    std::unique_ptr<CLoggingDlg> m_pLoggingDlg;
    std::unique_ptr<CDownloadDatabaseDlg> m_pDownloadDlg;
};

}  // namespace velotune
