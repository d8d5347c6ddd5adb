// skin/controls/hyperlink.h
//
// CHyperLink is a text label that opens a link when clicked: an e-mail address (a new message
// in the user's mail program), a web page, or a target opened as it is (an address or a file).
// It shows underlined blue text and a hand cursor. When the desktop cannot open the link, it
// tells the user that no mail program or browser could be found.
//
// Threading: user-interface thread only.
#pragma once

#include <QLabel>
#include <QString>
#include <QUrl>

namespace velotune {

class CHyperLink : public QLabel {
    Q_OBJECT

public:
    enum Kind {
        kMail = 1,      // target is an e-mail address; "mailto:" is added when missing
        kWeb = 2,       // target is a web address; "http://" is added when no scheme is given
        kVerbatim = 4,  // target is opened unchanged (an address, or a local file path)
    };

    explicit CHyperLink(QWidget* parent = nullptr);
    ~CHyperLink() override;

    // Sets what a click opens. `subject` is the subject of a new e-mail (mail links only).
    // A `helpContext` above 0 also asks for that help topic first (HelpRequested).
    void SetLink(int kind, const QString& target, const QString& subject = QString(),
                 int helpContext = 0);

    // The link's font: a plain sans-serif face of `pointSize` points, underlined.
    void SetLinkFont(int pointSize);

    int LinkKind() const { return kind_; }

    // The address a click opens; empty for a link of an unknown kind.
    QUrl LinkUrl() const;

    // Does what a click does: asks for the help topic when one is set, then opens the link with
    // the desktop. When that fails, shows the message for the link's kind and returns false.
    // Blocks until the desktop has accepted or refused the address (briefly, with the wait
    // cursor).
    bool FollowLink();

Q_SIGNALS:
    // A click on a link with a help context: the owner opens that help topic.
    void HelpRequested(int context);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int kind_ = 0;
    QString target_;
    QString subject_;
    int helpContext_ = 0;
};

}  // namespace velotune
