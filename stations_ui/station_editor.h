// stations_ui/station_editor.h
//
// CStationEditorDlg is the modal dialog in which the user adds a station to the station database
// or changes one. It ends with Accepted only when the station has been written; Cancel, Escape
// and a failed write leave the database as it was (a failed write keeps the dialog open with the
// user's input, and the database layer has shown why).
//
// An existing station opens with an empty Streaming URL field: the stored address is kept unless
// the user types a new one. Columns the dialog does not show are carried through unchanged.
//
// Threading: user-interface thread only. Ownership: the caller owns the dialog (usually on the
// stack, for one exec()); the controller must outlive it.
#pragma once

#include <QDialog>

#include "stationdb/recordsets.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velotune {

class CTorvikCommandCentre;

class CStationEditorDlg : public QDialog {
    Q_OBJECT

public:
    // Control ids (each control's objectName).
    static constexpr int kIdSave = 1;
    static constexpr int kIdCancel = 2;
    static constexpr int kIdGenreOne = 1007;
    static constexpr int kIdGenreTwo = 1008;
    static constexpr int kIdGenreThree = 1009;
    static constexpr int kIdStreamUrlLabel = 1015;
    static constexpr int kIdComments = 1022;
    static constexpr int kIdFrequency = 1023;
    static constexpr int kIdStreamUrl = 1024;
    static constexpr int kIdStationUrl = 1025;
    static constexpr int kIdCountry = 1026;
    static constexpr int kIdState = 1027;
    static constexpr int kIdCity = 1029;
    static constexpr int kIdLanguageOne = 1030;
    static constexpr int kIdLanguageTwo = 1032;
    static constexpr int kIdStationName = 1033;
    static constexpr int kIdStreamFormat = 1034;

    // radioId: the station to edit, or kNewStation for a new one.
    static constexpr int kNewStation = -1;
    CStationEditorDlg(CTorvikCommandCentre& controller, int radioId, QWidget* parent = nullptr);
    ~CStationEditorDlg() override;

    // Whether the user has changed anything since the dialog opened.
    bool IsModified() const { return modified_; }

private:
    void BuildControls();
    void Load();
    void OnChanged();
    bool IsComplete() const;
    void OnSave();
    CRadioSet BuildRecord() const;

    CTorvikCommandCentre& controller_;
    const int radioId_;
    bool modified_ = false;
    // The stored station (edit) or the defaults of a new one: the stream address held back from
    // the Streaming URL field and the columns the dialog does not show.
    CRadioSet stored_;

    QLineEdit* stationName_ = nullptr;
    QLineEdit* frequency_ = nullptr;
    QComboBox* genreOne_ = nullptr;
    QComboBox* genreTwo_ = nullptr;
    QComboBox* genreThree_ = nullptr;
    QLineEdit* stationUrl_ = nullptr;
    QLabel* streamUrlLabel_ = nullptr;
    QLineEdit* streamUrl_ = nullptr;
    QComboBox* streamFormat_ = nullptr;
    QLineEdit* languageOne_ = nullptr;
    QLineEdit* languageTwo_ = nullptr;
    QComboBox* country_ = nullptr;
    QLineEdit* state_ = nullptr;
    QLineEdit* city_ = nullptr;
    QLineEdit* comments_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace velotune
