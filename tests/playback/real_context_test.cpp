// The RealSystem engine's client context against a stand-in player: what each status report,
// diagnostic line, console dialogue and site request looks like.
#include "playback/real_context.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "tests/playback/status_recorder.h"

namespace velotune {
namespace {

using namespace velotune::rma;
using test::StatusRecorder;
using Statuses = std::vector<int>;

class TestBuffer final : public CRealObject<IRMABuffer> {
public:
    explicit TestBuffer(std::string text) : text_(std::move(text)) {}
    const uint8_t* GetBuffer() override { return reinterpret_cast<const uint8_t*>(text_.c_str()); }
    uint32_t GetSize() override { return uint32_t(text_.size() + 1); }

private:
    std::string text_;
};

std::string TextOf(IRMABuffer* buffer) {
    return reinterpret_cast<const char*>(buffer->GetBuffer());
}

// Property lists: the request's and each site's.
class TestValues : public IRMAValues {
public:
    HResult GetPropertyCString(const char* name, IRMABuffer** value) override {
        *value = nullptr;
        const auto it = values.find(name);
        if (it == values.end())
            return kEFail;
        *value = new TestBuffer(it->second);
        return kOk;
    }
    HResult SetPropertyCString(const char* name, IRMABuffer* value) override {
        values[name] = TextOf(value);
        return kOk;
    }
    std::map<std::string, std::string> values;
};

// Stand-ins count their references but live on the test's stack.
class FakeRequest final : public TestValues {
public:
    HResult QueryInterface(const Guid& iid, void** object) override {
        *object = iid == kIidIUnknown || iid == kIidIRMAValues ? this : nullptr;
        return *object ? (AddRef(), kOk) : kENoInterface;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    int refs = 1;
};

class FakeSite final : public IRMASite, public IRMASiteWindowed, public TestValues {
public:
    HResult QueryInterface(const Guid& iid, void** object) override {
        if (iid == kIidIUnknown || iid == kIidIRMASite)
            *object = static_cast<IRMASite*>(this);
        else if (iid == kIidIRMASiteWindowed)
            *object = static_cast<IRMASiteWindowed*>(this);
        else if (iid == kIidIRMAValues)
            *object = static_cast<IRMAValues*>(this);
        else
            *object = nullptr;
        return *object ? (AddRef(), kOk) : kENoInterface;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    HResult AttachWatcher(IRMASiteWatcher* w) override {
        watcher = w;
        return kOk;
    }
    HResult DetachWatcher() override {
        watcher = nullptr;
        return kOk;
    }
    HResult Create(void* parent, uint32_t windowStyle) override {
        created = parent == nullptr;
        style = windowStyle;
        return kOk;
    }
    HResult Destroy() override { return kOk; }

    int refs = 1;
    bool created = false;
    uint32_t style = 0;
    IRMASiteWatcher* watcher = nullptr;
};

class FakePlayer final : public IRMAPlayer,
                         public IRMAErrorMessages,
                         public IRMASiteManager,
                         public IRMACommonClassFactory {
public:
    HResult QueryInterface(const Guid& iid, void** object) override {
        if (iid == kIidIUnknown || iid == kIidIRMAPlayer)
            *object = static_cast<IRMAPlayer*>(this);
        else if (iid == kIidIRMAErrorMessages)
            *object = static_cast<IRMAErrorMessages*>(this);
        else if (iid == kIidIRMASiteManager && offersSites)
            *object = static_cast<IRMASiteManager*>(this);
        else if (iid == kIidIRMACommonClassFactory && offersSites)
            *object = static_cast<IRMACommonClassFactory*>(this);
        else
            *object = nullptr;
        return *object ? (AddRef(), kOk) : kENoInterface;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }

    HResult SetClientContext(IUnknown*) override { return kOk; }
    HResult OpenURL(const char*) override { return kOk; }
    HResult Begin() override { return kOk; }
    HResult Stop() override { return kOk; }
    HResult Pause() override { return kOk; }
    bool IsLive() override { return live; }
    HResult AddAdviseSink(IRMAClientAdviseSink* sink) override {
        adviseSinks.push_back(RmaPtr<IRMAClientAdviseSink>::Share(sink));
        return kOk;
    }
    HResult RemoveAdviseSink(IRMAClientAdviseSink* sink) override {
        std::erase_if(adviseSinks, [&](const auto& s) { return s.Get() == sink; });
        return kOk;
    }

    IRMABuffer* GetErrorText(uint32_t code) override {
        return code == 0x80070002u ? new TestBuffer("The file was not found") : nullptr;
    }

    HResult AddSite(IRMASite* site) override {
        sites.push_back(RmaPtr<IRMASite>::Share(site));
        return kOk;
    }
    HResult RemoveSite(IRMASite* site) override {
        ++removed;
        std::erase_if(sites, [&](const auto& s) { return s.Get() == site; });
        return kOk;
    }

    HResult CreateInstance(const Guid& clsid, void** object) override {
        if (clsid != kClsidIRMASiteWindowed) {
            *object = nullptr;
            return kENoInterface;
        }
        return site.QueryInterface(kIidIUnknown, object);
    }

    int refs = 1;
    bool live = false;
    bool offersSites = true;
    std::vector<RmaPtr<IRMAClientAdviseSink>> adviseSinks;
    std::vector<RmaPtr<IRMASite>> sites;
    int removed = 0;
    FakeSite site;
};

class FakeResponse final : public CRealObject<IRMAAuthenticationManagerResponse> {
public:
    HResult AuthenticationRequestDone(HResult hr, const char* u, const char* p) override {
        ++answers;
        result = hr;
        user = u ? u : "<null>";
        password = p ? p : "<null>";
        return kOk;
    }
    int answers = 0;
    HResult result = kOk;
    std::string user, password;
};

std::string ReadAll(FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string all;
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        all.append(buffer, n);
    return all;
}

// A console whose input is `input` and whose output and error streams are temporary files.
struct TestConsole {
    explicit TestConsole(const std::string& input) : text(input) {
        console.in = fmemopen(text.data(), text.size(), "r");
        console.out = std::tmpfile();
        console.err = std::tmpfile();
    }
    ~TestConsole() {
        std::fclose(console.in);
        std::fclose(console.out);
        std::fclose(console.err);
    }
    std::string text;
    RealConsole console;
};

class RealContextTest : public ::testing::Test {
protected:
    void SetUp() override {
        context_ = RmaPtr<CRealClientContext>::Adopt(
            CRealClientContext::Create(&status_, console_.console));
        ASSERT_TRUE(context_);
        ASSERT_TRUE(context_->Init(&player_));
    }
    void TearDown() override {
        context_->Close();
        context_.Reset();
        EXPECT_EQ(player_.refs, 1);  // every reference the context took is given back
    }

    RmaPtr<IRMAClientAdviseSink> Advise() { return QueryAs<IRMAClientAdviseSink>(context_.Get()); }

    StatusRecorder status_;
    FakePlayer player_;
    TestConsole console_{""};
    RmaPtr<CRealClientContext> context_;
};

// The advise sink, error sink and site supplier are reached through the context in the tests
// below.
TEST_F(RealContextTest, ContextAnswersForItselfAndItsObjects) {
    RmaPtr<IUnknown> self = QueryAs<IUnknown>(context_.Get());
    EXPECT_EQ(self.Get(), static_cast<IUnknown*>(context_.Get()));
    EXPECT_TRUE(QueryAs<IRMAAuthenticationManager>(context_.Get()));
    void* none = &none;
    EXPECT_EQ(context_->QueryInterface(kIidIRMAPlayer, &none), kENoInterface);
    EXPECT_EQ(none, nullptr);

    // The advise sink registered itself with the player, and the context's close takes it away.
    ASSERT_EQ(player_.adviseSinks.size(), 1u);
    EXPECT_EQ(player_.adviseSinks[0].Get(), Advise().Get());
    context_->Close();
    EXPECT_TRUE(player_.adviseSinks.empty());
}

TEST_F(RealContextTest, AdviseSinkReportsLiveAndOnDemandPlayback) {
    RmaPtr<IRMAClientAdviseSink> sink = Advise();
    player_.live = true;
    sink->OnContacting("127.0.0.1");
    sink->OnPresentationOpened();
    sink->OnPosLength(0, 0);
    sink->OnBegin(0);
    sink->OnBuffering(kBufferingStartUp, 0);
    sink->OnBuffering(kBufferingStartUp, 99);
    EXPECT_EQ(status_.Statuses(), (Statuses{kStatusBuffering}));
    sink->OnBuffering(kBufferingStartUp, 100);
    sink->OnPause(1000);
    sink->OnStop();
    // The close that follows the stop is the same end.
    sink->OnPresentationClosed();
    EXPECT_EQ(status_.Statuses(),
              (Statuses{kStatusBuffering, kStatusLive, kStatusClosed, kStatusStopped}));

    player_.live = false;
    sink->OnPresentationOpened();
    sink->OnBegin(0);
    sink->OnBuffering(kBufferingStartUp, 100);
    // A presentation that closes without having stopped (an open that failed) ends too.
    sink->OnPresentationClosed();
    EXPECT_EQ(status_.Statuses(),
              (Statuses{kStatusBuffering, kStatusLive, kStatusClosed, kStatusStopped, kStatusFile,
                        kStatusClosed, kStatusStopped}));
}

TEST_F(RealContextTest, ErrorSinkWritesOneDiagnosticLine) {
    RmaPtr<IRMAErrorSink> sink = QueryAs<IRMAErrorSink>(context_.Get());
    sink->ErrorOccurred(kSeverityError, 0x80070002u, 7, "File:/tmp/x.ra", "http://help/");
    sink->ErrorOccurred(kSeverityWarning, 0xC00D002Fu, 0, "", nullptr);
    EXPECT_EQ(ReadAll(console_.console.err),
              "Report(3, 0x80070002, \"File:/tmp/x.ra\", 7, \"http://help/\", \"The file was not "
              "found\")\n"
              "Report(4, 0xc00d002f, \"(NULL)\", 0, \"(NULL)\", \"(unknown error)\")\n");
    EXPECT_EQ(ReadAll(console_.console.out), "");
}

TEST(RealAuthenticationTest, ConsoleAnswersGiveTheCredentialsOrFail) {
    struct Case {
        std::string input;
        HResult result;
        std::string user, password, prompts;
    };
    const std::string both = "Authorization needed for this content.\nUsername: Password: ";
    const Case cases[] = {
        {"alice  \r\n s3cret\t\n", kOk, "alice", " s3cret", both},
        {"", kENotAuthorized, "<null>", "<null>",
         "Authorization needed for this content.\nUsername: "},
        {" \t\nsecret\n", kEFail, "<null>", "<null>", both},
        {"bob\n\n", kEFail, "<null>", "<null>", both},
        {"bob\n", kEFail, "<null>", "<null>", both},
        // A line is at most 1024 characters; the rest of a longer one is dropped.
        {std::string(1030, 'u') + "\npw\n", kOk, std::string(1024, 'u'), "pw", both},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.substr(0, 20));
        TestConsole console(c.input);
        RmaPtr<CRealAuthenticationManager> manager = RmaPtr<CRealAuthenticationManager>::Adopt(
            new CRealAuthenticationManager(console.console));
        RmaPtr<FakeResponse> response = RmaPtr<FakeResponse>::Adopt(new FakeResponse);
        EXPECT_EQ(manager->HandleAuthenticationRequest(response.Get()), kOk);
        EXPECT_EQ(response->answers, 1);
        EXPECT_EQ(response->result, c.result);
        EXPECT_EQ(response->user, c.user);
        EXPECT_EQ(response->password, c.password);
        EXPECT_EQ(ReadAll(console.console.out), c.prompts);
    }
}

TEST_F(RealContextTest, SiteSupplierMakesWatchesAndRemovesSites) {
    RmaPtr<IRMASiteSupplier> supplier = QueryAs<IRMASiteSupplier>(context_.Get());
    FakeRequest request;
    request.values["playto"] = "video1";
    request.values["name"] = "group";
    ASSERT_EQ(supplier->SitesNeeded(5, &request), kOk);
    FakeSite& site = player_.site;
    EXPECT_TRUE(site.created);
    EXPECT_EQ(site.style, kWsVisible | kWsClipChildren);
    EXPECT_EQ(site.values, (std::map<std::string, std::string>{{"channel", "video1"}}));
    ASSERT_NE(site.watcher, nullptr);
    ASSERT_EQ(player_.sites.size(), 1u);
    EXPECT_EQ(player_.sites[0].Get(), static_cast<IRMASite*>(&site));

    // As the watcher: every move is accepted; sizes grow by the frame and caption.
    PNxPoint position{10, 20};
    EXPECT_EQ(site.watcher->ChangingPosition({0, 0}, &position), kOk);
    EXPECT_EQ(position.x, 10);
    EXPECT_EQ(position.y, 20);
    PNxSize size{320, 240};
    EXPECT_EQ(site.watcher->ChangingSize({0, 0}, &size), kOk);
    EXPECT_EQ(size.cx, 320 + 2 * CRealSiteSupplier::kDialogFrameWidth);
    EXPECT_EQ(size.cy,
              240 + CRealSiteSupplier::kCaptionHeight + 2 * CRealSiteSupplier::kDialogFrameHeight);

    EXPECT_EQ(supplier->SitesNotNeeded(6), kEInvalidArg);
    EXPECT_EQ(supplier->SitesNotNeeded(5), kOk);
    EXPECT_EQ(player_.removed, 1);
    EXPECT_TRUE(player_.sites.empty());
    EXPECT_EQ(site.watcher, nullptr);
    EXPECT_EQ(site.refs, 1);  // released by the supplier and the site manager
    EXPECT_EQ(request.refs, 1);

    // Without "playto" the name becomes the layout group; a player without sites gets none.
    request.values.erase("playto");
    site.values.clear();
    ASSERT_EQ(supplier->SitesNeeded(7, &request), kOk);
    EXPECT_EQ(site.values, (std::map<std::string, std::string>{{"LayoutGroup", "group"}}));
    player_.offersSites = false;
    EXPECT_TRUE(Failed(supplier->SitesNeeded(8, &request)));
    player_.offersSites = true;
    context_->Close();  // lets go of the sites still kept
    EXPECT_EQ(site.refs, 1);
}

}  // namespace
}  // namespace velotune
