// Links: the address each kind opens, no doubled prefixes, the desktop's answer, and the
// messages when there is no mail program or browser. Nothing is really opened: the tests take
// the desktop's place for the schemes they use.
#include "skin/controls/hyperlink.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QMouseEvent>
#include <QSignalSpy>

#include "res/texts.h"
#include "tests/support/message_recorder.h"

namespace velotune {
namespace {

// Stands in for the desktop's mail program or browser.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void Open(const QUrl& url) { opened.append(url); }
};

QUrl LinkUrl(int kind, const QString& target, const QString& subject = QString()) {
    CHyperLink link;
    link.SetLink(kind, target, subject);
    return link.LinkUrl();
}

TEST(HyperLinkTest, EachKindBuildsItsAddressWithoutDoublingPrefixes) {
    EXPECT_EQ(LinkUrl(CHyperLink::kMail, QStringLiteral("support@velotune.example")),
              QUrl(QStringLiteral("mailto:support@velotune.example")));
    EXPECT_EQ(LinkUrl(CHyperLink::kMail, QStringLiteral("MailTo:help@velotune.example"),
                      QStringLiteral("Station list")),
              QUrl(QStringLiteral("MailTo:help@velotune.example?subject=Station list")));
    EXPECT_EQ(LinkUrl(CHyperLink::kWeb, QStringLiteral("www.velotune.example/support/")),
              QUrl(QStringLiteral("http://www.velotune.example/support/")));
    EXPECT_EQ(LinkUrl(CHyperLink::kWeb, QStringLiteral("HTTP://www.velotune.example/")),
              QUrl(QStringLiteral("HTTP://www.velotune.example/")));
    EXPECT_EQ(LinkUrl(CHyperLink::kWeb, QStringLiteral("https://www.velotune.example/")),
              QUrl(QStringLiteral("https://www.velotune.example/")));
    EXPECT_EQ(LinkUrl(CHyperLink::kVerbatim, QStringLiteral("ftp://files.velotune.example/a")),
              QUrl(QStringLiteral("ftp://files.velotune.example/a")));
    EXPECT_EQ(LinkUrl(CHyperLink::kVerbatim, QStringLiteral("/opt/velotune/Help/qstart.html")),
              QUrl::fromLocalFile(QStringLiteral("/opt/velotune/Help/qstart.html")));
    EXPECT_TRUE(LinkUrl(3, QStringLiteral("www.velotune.example")).isEmpty());
}

TEST(HyperLinkTest, ClickOpensTheLinkWithTheDesktop) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "Open");
    test::MessageRecorder messages;

    CHyperLink link;
    link.setText(QStringLiteral("Velotune support"));
    link.resize(120, 16);
    link.SetLink(CHyperLink::kWeb, QStringLiteral("www.velotune.example/support/"));
    QSignalSpy help(&link, &CHyperLink::HelpRequested);

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5),
                      QPointF(link.mapToGlobal(QPoint(5, 5))), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5),
                        QPointF(link.mapToGlobal(QPoint(5, 5))), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(&link, &press);
    QCoreApplication::sendEvent(&link, &release);

    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0], QUrl(QStringLiteral("http://www.velotune.example/support/")));
    EXPECT_TRUE(messages.Texts().isEmpty());
    EXPECT_EQ(help.count(), 0);

    link.SetLink(CHyperLink::kWeb, QStringLiteral("www.velotune.example"), QString(), 12);
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "Open");
    EXPECT_TRUE(link.FollowLink());
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    ASSERT_EQ(help.count(), 1);
    EXPECT_EQ(help.at(0).at(0).toInt(), 12);
}

TEST(HyperLinkTest, FailuresNameTheMissingProgram) {
    // Nothing here can open these schemes (the offscreen desktop opens nothing), so each
    // attempt fails the way a desktop without a mail program or browser does.
    test::MessageRecorder messages;
    CHyperLink link;
    link.SetLink(CHyperLink::kMail, QStringLiteral("support@velotune.example"));
    EXPECT_FALSE(link.FollowLink());
    link.SetLink(CHyperLink::kWeb, QStringLiteral("www.velotune.example"));
    EXPECT_FALSE(link.FollowLink());
    link.SetLink(CHyperLink::kVerbatim, QStringLiteral("https://www.velotune.example/"));
    EXPECT_FALSE(link.FollowLink());
    link.SetLink(7, QStringLiteral("www.velotune.example"));
    EXPECT_FALSE(link.FollowLink());
    EXPECT_EQ(messages.Texts(), QStringList({QString::fromUtf8(text::kNoMailProgram),
                                             QString::fromUtf8(text::kNoBrowser),
                                             QString::fromUtf8(text::kNoBrowser)}));
}

}  // namespace
}  // namespace velotune

#include "hyperlink_test.moc"
