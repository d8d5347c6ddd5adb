// The stream locator against reference files served on loopback: which addresses it picks out of
// the text, in which order and with which scheme, and that every kind of file ends the scan.
#include "playback/stream_locator.h"

#include <gtest/gtest.h>

#include "tests/support/fixture_server.h"
#include "tests/support/test_env.h"

namespace velotune {
namespace {

using Addresses = std::vector<std::string>;

class StreamLocatorTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server_.IsRunning()); }

    // Serves text as /<name> and resolves it.
    Addresses Resolve(const QByteArray& text,
                      const QString& name = QStringLiteral("/station.asx")) {
        server_.SetRoute(name, test::FixtureRoute::Body(text, QStringLiteral("video/x-ms-asf")));
        return locator_.ResolveReferences(server_.Url(name).toStdString());
    }

    test::FixtureServer server_{test::MakeTempDir(QStringLiteral("asx"))};
    CStreamLocator locator_;
};

TEST(StreamLocatorUrlTest, OnlyUrlsContainingLowerCaseAsxAreReferenceFiles) {
    EXPECT_TRUE(CStreamLocator::IsReferenceFile("http://host/station.asx"));
    EXPECT_TRUE(CStreamLocator::IsReferenceFile("http://host/get.asx?id=4"));
    EXPECT_FALSE(CStreamLocator::IsReferenceFile("http://host/STATION.ASX"));
    EXPECT_FALSE(CStreamLocator::IsReferenceFile("http://host/live.wma"));
}

TEST_F(StreamLocatorTest, UrlWithoutAsxIsNotFetchedAndYieldsNothing) {
    EXPECT_TRUE(
        locator_.ResolveReferences(server_.Url(QStringLiteral("/live.wma")).toStdString()).empty());
    EXPECT_EQ(locator_.CollectedText(), "EMPTY");
    EXPECT_TRUE(server_.Requests().isEmpty());
}

// Each address ends at ".asf" while that marker finds one, else at the closing quote, else behind
// ".wma"; "mms://" addresses are found first and handed on as "http://".
TEST_F(StreamLocatorTest, PicksAddressesByTheirMarkers) {
    const struct {
        QByteArray text;
        Addresses expected;
    } cases[] = {
        {"<ASX version=\"3.0\">\r\n<ENTRY>\r\n<ref "
         "href=\"mms://media.example.net/radio/live.asf\"/>"
         "\r\n</ENTRY>\r\n</ASX>\r\n",
         {"http://media.example.net/radio/live.asf"}},
        {"<asx>\n  <entry><ref href=\"http://127.0.0.1:8000/stream?id=7\" /></entry>\n</asx>\n",
         {"http://127.0.0.1:8000/stream?id=7"}},
        {"<asx><entry>\n<ref href=\"mms://one.example.net/a.asf\"/>\n"
         "<ref href=\"http://two.example.net/b\"/>\n</entry></asx>\n",
         {"http://one.example.net/a.asf", "http://two.example.net/b"}},
        {"<asx><entry><ref href='http://host/music/tone.wma'></entry></asx>",
         {"http://host/music/tone.wma"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(Resolve(c.text), c.expected);
    }
    // The file was fetched under the program's name.
    EXPECT_EQ(server_.Requests().first().Header(QStringLiteral("User-Agent")),
              QStringLiteral("Velotune"));
}

TEST_F(StreamLocatorTest, CapitalisedReferenceLineCountsButCapitalSchemeIsNotFound) {
    const Addresses found =
        Resolve("<ASX><ENTRY><REF HREF=\"MMS://host/live.asf\"/></ENTRY></ASX>\n");
    EXPECT_EQ(locator_.ReferenceCount(), 1);
    EXPECT_TRUE(found.empty());
}

// More reference lines than usable addresses: the scan comes back to an address it has dealt
// with and ends, handing each address on once.
TEST_F(StreamLocatorTest, ScanEndsWhenItComesBackToAnAddressAlreadyDealtWith) {
    EXPECT_EQ(Resolve("<asx>\n"
                      "<ref href=\"http://host/only.asf\"/>\n"
                      "<ref href=\"rtsp://host/other\"/>\n"
                      "<ref href=\"\"/>\n"
                      "</asx>\n"),
              Addresses{"http://host/only.asf"});
    // An address without any end yields nothing, and the scan still ends.
    EXPECT_TRUE(Resolve("<asx>\n<ref href=http://host/open-ended\n<ref href=x\n</asx>\n").empty());
}

TEST_F(StreamLocatorTest, FailedDownloadsYieldNothing) {
    server_.SetRoute(QStringLiteral("/gone.asx"), test::FixtureRoute::Status(404, "no such file"));
    EXPECT_TRUE(
        locator_.ResolveReferences(server_.Url(QStringLiteral("/gone.asx")).toStdString()).empty());
    // Nothing listens on port 9 of the loopback address.
    EXPECT_TRUE(locator_.ResolveReferences("http://127.0.0.1:9/station.asx").empty());
    EXPECT_EQ(locator_.ReferenceCount(), 0);
}

}  // namespace
}  // namespace velotune
