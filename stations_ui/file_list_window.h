// stations_ui/file_list_window.h
//
// CFileListWindow shows the user's list of local .wma and .ra files in a list window: one row per
// stored file entry ("name::path"), numbered from 1, with the file name and, in a column of
// width 0, its path. Each row's item data is its 1-based position in the stored list, which the
// controller uses to find the entry.
//
// Add and Remove add a file to the stored list or remove the selected one (through the
// controller). Edit stays disabled and Up and Down are hidden.
//
// Threading and ownership: as CListWindow.
#pragma once

#include "stations_ui/list_window.h"

namespace velotune {

class CFileListWindow : public CListWindow {
    Q_OBJECT

public:
    enum Column { kColNumber, kColFileName, kColFilePath, kColumnCount };

    // Made hidden, filled, with the controller's selected file row selected.
    CFileListWindow(CTorvikCommandCentre& controller, QWidget* parent);
    ~CFileListWindow() override;

    // Rebuilds the rows from the stored file list; when it cannot be read the rows stay as they
    // are.
    void Fill() override;

    // Edit never becomes enabled.
    void EnableControl(int id, bool enable) override;

protected:
    void OnAdd() override;
    void OnRemove() override;
};

}  // namespace velotune
