#include "stations_ui/file_list_window.h"

#include <QSignalBlocker>
#include <QTreeWidget>

#include "playback/command_centre.h"
#include "res/texts.h"
#include "skin/controls/skinbutton.h"
#include "stations_ui/dialog_util.h"

namespace velotune {

using stations_ui::Text;

CFileListWindow::CFileListWindow(CTorvikCommandCentre& controller, QWidget* parent)
    : CListWindow(controller, Kind::FileList, parent) {
    if (CSkinButton* edit = Button(kIdEdit))
        edit->setEnabled(false);
    for (int id : {kIdUp, kIdDown}) {
        if (CSkinButton* button = Button(id))
            button->hide();
    }
    SetColumns({{Text(text::kListColumnNumber), 20},
                {Text(text::kFileListColumnName), 240},
                {Text(text::kFileListColumnPath), 0}});
    Fill();
    SelectInitialRow(controller_.GetSelectedFileIndex());
}

CFileListWindow::~CFileListWindow() = default;

void CFileListWindow::Fill() {
    QStringList entries;
    if (!controller_.Settings().ReadFileEntries(&entries))
        return;
    QTreeWidget* list = List();
    const QSignalBlocker blocker(list);
    list->clear();
    const QString separator = Text(text::kFileEntrySeparator);
    QList<QTreeWidgetItem*> rows;
    rows.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString& entry = entries.at(i);
        const qsizetype split = entry.indexOf(separator);
        auto* row = new QTreeWidgetItem;
        row->setText(kColNumber, QString::number(i + 1));
        row->setData(kColNumber, Qt::UserRole, static_cast<int>(i + 1));
        row->setText(kColFileName, split < 0 ? entry : entry.left(split));
        row->setText(kColFilePath, split < 0 ? QString() : entry.mid(split + separator.size()));
        rows.append(row);
    }
    list->addTopLevelItems(rows);
}

void CFileListWindow::EnableControl(int id, bool enable) {
    CListWindow::EnableControl(id, id == kIdEdit ? false : enable);
}

void CFileListWindow::OnAdd() {
    controller_.AddFile();
}

void CFileListWindow::OnRemove() {
    controller_.RemoveFile();
}

}  // namespace velotune
