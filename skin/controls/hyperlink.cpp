#include "skin/controls/hyperlink.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QRegularExpression>

#include "platform/msgbox/msgbox.h"
#include "res/texts.h"
#include "skin/controls/skinlog.h"

namespace velotune {
namespace {

const QString kMailScheme = QStringLiteral("mailto:");
const QString kWebPrefix = QStringLiteral("http://");

// "scheme://" at the start: the address already says how to reach it (http, https, ftp...).
bool HasSchemeAndAuthority(const QString& target) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return re.match(target).hasMatch();
}

// "scheme:" of two letters or more at the start: an address rather than a file path.
bool HasScheme(const QString& target) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return re.match(target).hasMatch();
}

}  // namespace

CHyperLink::CHyperLink(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
    setPalette(pal);
}

CHyperLink::~CHyperLink() = default;

void CHyperLink::SetLink(int kind, const QString& target, const QString& subject, int helpContext) {
    kind_ = kind;
    target_ = target;
    subject_ = subject;
    helpContext_ = helpContext;
}

void CHyperLink::SetLinkFont(int pointSize) {
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Sans Serif")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(pointSize);
    f.setWeight(QFont::Normal);
    f.setUnderline(true);
    setFont(f);
}

QUrl CHyperLink::LinkUrl() const {
    QString address = target_;
    switch (kind_) {
        case kMail:
            if (!address.startsWith(kMailScheme, Qt::CaseInsensitive))
                address.prepend(kMailScheme);
            if (!subject_.isEmpty())
                address += QStringLiteral("?subject=") + subject_;
            return QUrl(address, QUrl::TolerantMode);
        case kWeb:
            // An address that already names its scheme, in any letter case, keeps it; an
            // https address must not become "http://https://...".
            if (!HasSchemeAndAuthority(address))
                address.prepend(kWebPrefix);
            return QUrl(address, QUrl::TolerantMode);
        case kVerbatim:
            return HasScheme(address) ? QUrl(address, QUrl::TolerantMode)
                                      : QUrl::fromLocalFile(address);
        default:
            return QUrl();
    }
}

bool CHyperLink::FollowLink() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (helpContext_ > 0)
        Q_EMIT HelpRequested(helpContext_);
    const QUrl url = LinkUrl();
    const bool opened = !url.isEmpty() && QDesktopServices::openUrl(url);
    QGuiApplication::restoreOverrideCursor();
    if (url.isEmpty())
        return false;  // a link of no known kind does nothing
    if (!opened) {
        qCWarning(lcSkin) << "the desktop could not open" << url.toDisplayString();
        platform::ShowMessageBox(
            this, QString::fromUtf8(kind_ == kMail ? text::kNoMailProgram : text::kNoBrowser));
    }
    return opened;
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        FollowLink();
        event->accept();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

}  // namespace velotune
