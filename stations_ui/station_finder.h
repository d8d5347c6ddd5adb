// stations_ui/station_finder.h
//
// CStationFinderDlg is the modal dialog in which the user searches the station database by
// country (narrowed by state and city), by genre, or by name (as the user types, best matches
// first), puts stations on the playlist or takes them
// off, test-plays a station, and adds, edits or deletes stations. All database work goes through
// the controller's forwarding operations.
//
// During a test play the finder is the owner window of the playback: the controller's
// WM_PLAYER_STATUS messages arrive in customEvent().
//
// Threading: user-interface thread only. Ownership: the caller owns the dialog (usually on the
// stack, for one exec()); it keeps a reference to the controller, which must outlive it.
#pragma once

#include <QDialog>
#include <QList>
#include <QString>

#include "stationdb/recordsets.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace velotune {

class CTorvikCommandCentre;

class CStationFinderDlg : public QDialog {
    Q_OBJECT

public:
    // Control ids (each control's objectName).
    static constexpr int kIdRefineLabel = 1003;
    static constexpr int kIdResults = 1004;
    static constexpr int kIdCountryMode = 1005;
    static constexpr int kIdGenreMode = 1006;
    static constexpr int kIdNameMode = 1007;
    static constexpr int kIdNameText = 1008;  // the name search's text box
    static constexpr int kIdStates = 1010;
    static constexpr int kIdCities = 1011;
    static constexpr int kIdNames = 1012;  // countries or genres
    static constexpr int kIdPlaylistToggle = 1013;
    static constexpr int kIdDelete = 1016;
    static constexpr int kIdFetching = 1026;
    static constexpr int kIdTestPlay = 1041;
    static constexpr int kIdAddNew = 1043;
    static constexpr int kIdEdit = 1044;
    static constexpr int kIdClose = 1;

    // The result list's columns.
    enum Column {
        kColNumber,
        kColName,
        kColFrequency,
        kColGenre,
        kColCountry,
        kColState,
        kColCity,
        kColOnPlaylist,
        kColumnCount
    };

    // playingRadioId: the station that plays as the finder opens (0 when none); it can be neither
    // taken off or put on the playlist, nor deleted, and no test play starts while it plays.
    CStationFinderDlg(CTorvikCommandCentre& controller, int playingRadioId,
                      QWidget* parent = nullptr);
    ~CStationFinderDlg() override;

    // Stops a running test play, then closes.
    void done(int result) override;

protected:
    void customEvent(QEvent* event) override;
    // Keeps Enter in the name box from answering the dialog (Close is its default button).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Mode { None, Country, Genre, Name };

    void BuildControls();
    // The search modes and the choices in the three drop-down lists.
    void OnGenreMode();
    void OnCountryMode();
    void OnNameMode();
    // Shows the drop-down list (country and genre modes) or the name box (name mode).
    void ShowNameBox(bool show);
    void OnNameTyped(const QString& text);
    void SearchName();
    void OnNameChosen(int index);
    void OnStateChosen(int index);
    void OnCityChosen(int index);
    // Reads the states of the remembered country into the state list, enabling it when there
    // are any; the state and city shown are then the prompts, so none is remembered.
    void LoadStates();
    // The country search with its states, and the genre search.
    void SearchCountry();
    void SearchGenre();
    // Runs the search of the current mode again (the state applied, the city not).
    void RerunSearch();
    // Rebuilds the rows from the displayed result.
    void FillRows();
    void ClearResults();

    // A row (1-based) was clicked; 0: a click beside the rows.
    void OnRowClicked(int row);
    // Selects the row at the remembered position again after the rows were rebuilt.
    void ReselectRow();
    void EnableSelectionButtons(bool enable);
    int SelectedRadioId() const;

    void OnPlaylistToggle();
    void OnDelete();
    void OnAddNew();
    void OnEdit();
    void RunEditor(int radioId);
    void OnTestPlay();
    void OnPlayerStatus(int code);
    // Disables every control but Test Play for a test play, remembering their states, and
    // gives them their states back.
    void LockControls();
    void UnlockControls();

    CTorvikCommandCentre& controller_;
    const int playingRadioId_;

    Mode mode_ = Mode::None;
    QString genre_;
    QString country_;
    QString state_;
    QString city_;
    QString nameQuery_;  // the name search's text
    IdList displayed_;
    IdList countryResult_;
    IdList stateResult_;
    NameList genres_;  // read once, with the prompt at their head
    NameList countries_;
    bool genresRead_ = false;
    bool countriesRead_ = false;

    int selectedRow_ = 0;  // 1-based; 0 none
    bool onPlaylist_ = false;
    bool testPlaying_ = false;        // the test play reached the playing state
    bool testStarted_ = false;        // a test play was started and has not stopped yet
    bool testConnecting_ = false;     // the test play's start is still under way
    bool testStopAsked_ = false;      // the user pressed the button again while it connected
    QList<QWidget*> lockedControls_;  // the controls LockControls disabled
    bool locked_ = false;

    QRadioButton* countryMode_ = nullptr;
    QRadioButton* genreMode_ = nullptr;
    QRadioButton* nameMode_ = nullptr;
    QLineEdit* nameText_ = nullptr;
    QButtonGroup* modes_ = nullptr;
    QComboBox* names_ = nullptr;
    QLabel* refineLabel_ = nullptr;
    QComboBox* states_ = nullptr;
    QComboBox* cities_ = nullptr;
    QTreeWidget* results_ = nullptr;
    QPushButton* playlistToggle_ = nullptr;
    QPushButton* testPlay_ = nullptr;
    QPushButton* addNew_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* close_ = nullptr;
    QLabel* fetching_ = nullptr;
};

}  // namespace velotune
