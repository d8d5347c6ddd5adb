// skin/about_dialog.h
//
// CAboutDlg: the modal "About" dialog of the system menu. It shows the Velotune logo (its green
// surround left out), the product line "Velotune 2.1", what the player is built on, and a link to
// the maker's support page.
//
// Controls carry their ids as objectName: the logo 1022, OK 1.
//
// Threading: user-interface thread only.
#pragma once

#include <QDialog>

namespace velotune {

class CHyperLink;

inline constexpr int kIdAboutLogo = 1022;

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    // The support link (a web link to SupportPageUrl()).
    CHyperLink* SupportLink() const { return link_; }

private:
    CHyperLink* link_ = nullptr;
};

}  // namespace velotune
