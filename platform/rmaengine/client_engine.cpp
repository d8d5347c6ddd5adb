// The client engine and the library's two entry points.
#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/rmaengine/player.h"
#include "platform/rmaengine/rma_object.h"
#include "platform/rmaengine/rmaengine.h"

namespace velotune::rma {
namespace {

class ClientEngine final : public IRMAClientEngine {
public:
    HResult QueryInterface(const Guid& iid, void** object) override {
        if (!object)
            return kEPointer;
        if (iid == kIidIUnknown || iid == kIidIRMAClientEngine) {
            AddRef();
            *object = static_cast<IRMAClientEngine*>(this);
            return kOk;
        }
        *object = nullptr;
        return kENoInterface;
    }
    uint32_t AddRef() override { return refs_.Add(); }
    uint32_t Release() override {
        const uint32_t left = refs_.Drop();
        if (left == 0)
            delete this;
        return left;
    }

    HResult CreatePlayer(IRMAPlayer** player) override {
        if (!player)
            return kEPointer;
        RmaPtr<Player> created = RmaPtr<Player>::Adopt(Player::Create());
        {
            std::lock_guard lock(mutex_);
            players_.push_back(created);
        }
        *player = RmaPtr<IRMAPlayer>::Share(created.Get()).Detach();
        return kOk;
    }

    HResult ClosePlayer(IUnknown* player) override {
        RmaPtr<IRMAPlayer> asked = QueryAs<IRMAPlayer>(player);
        RmaPtr<Player> found;
        {
            std::lock_guard lock(mutex_);
            const auto it = std::find_if(players_.begin(), players_.end(), [&](const auto& p) {
                return static_cast<IRMAPlayer*>(p.Get()) == asked.Get();
            });
            if (it == players_.end())
                return kEInvalidArg;
            found = *it;
            players_.erase(it);
        }
        return found->Shutdown();
    }

    // Closes every player still open (CloseEngine).
    void CloseAll() {
        std::vector<RmaPtr<Player>> players;
        {
            std::lock_guard lock(mutex_);
            players.swap(players_);
        }
        for (const auto& player : players)
            player->Shutdown();
    }

private:
    ~ClientEngine() override { CloseAll(); }

    RefCount refs_;
    std::mutex mutex_;
    std::vector<RmaPtr<Player>> players_;  // guarded by mutex_
};

}  // namespace
}  // namespace velotune::rma

extern "C" __attribute__((visibility("default"))) velotune::rma::HResult CreateEngine(
    velotune::rma::IRMAClientEngine** engine) {
    if (!engine)
        return velotune::rma::kEPointer;
    *engine = new velotune::rma::ClientEngine();
    return velotune::rma::kOk;
}

extern "C" __attribute__((visibility("default"))) velotune::rma::HResult CloseEngine(
    velotune::rma::IRMAClientEngine* engine) {
    if (!engine)
        return velotune::rma::kEPointer;
    auto* client = static_cast<velotune::rma::ClientEngine*>(engine);
    client->CloseAll();
    client->Release();
    return velotune::rma::kOk;
}
