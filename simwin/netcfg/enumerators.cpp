// The three enumerators (components, binding paths, binding interfaces): one template, since
// they differ only in their item's interface and their names.
#include "netcfg/com_object.h"
#include "netcfg/netcfg_objects.h"
#include "netcfg/platform_call.h"
#include "netcfg/staged_config.h"

#include <string>

namespace simwin {

namespace {

// The journal's and the fault rules' names of each enumerator's own calls.
struct ComponentEnumNames {
    static constexpr const char* kNext = "IEnumNetCfgComponent::Next";
    static constexpr const char* kSkip = "IEnumNetCfgComponent::Skip";
    static constexpr const char* kReset = "IEnumNetCfgComponent::Reset";
    static constexpr const char* kClone = "IEnumNetCfgComponent::Clone";
};

struct BindingPathEnumNames {
    static constexpr const char* kNext = "IEnumNetCfgBindingPath::Next";
    static constexpr const char* kSkip = "IEnumNetCfgBindingPath::Skip";
    static constexpr const char* kReset = "IEnumNetCfgBindingPath::Reset";
    static constexpr const char* kClone = "IEnumNetCfgBindingPath::Clone";
};

struct BindingInterfaceEnumNames {
    static constexpr const char* kNext = "IEnumNetCfgBindingInterface::Next";
    static constexpr const char* kSkip = "IEnumNetCfgBindingInterface::Skip";
    static constexpr const char* kReset = "IEnumNetCfgBindingInterface::Reset";
    static constexpr const char* kClone = "IEnumNetCfgBindingInterface::Clone";
};

template <typename EnumInterface, typename Item, typename Names>
class Enumerator final : public ComObject<EnumInterface> {
public:
    explicit Enumerator(std::vector<Item*> items) : items_(std::move(items)) {}

    // Gives up to celt items, each with a reference the caller owns: S_OK when all celt came,
    // S_FALSE when the end came first.
    HRESULT STDMETHODCALLTYPE Next(ULONG celt, Item** items, ULONG* fetched) override {
        PlatformCall call(Names::kNext, std::to_string(celt));
        if (fetched != nullptr) {
            *fetched = 0;
        }
        if (items == nullptr || (celt > 1 && fetched == nullptr)) {
            return call.Finish(E_POINTER);
        }
        for (ULONG i = 0; i < celt; ++i) {
            items[i] = nullptr;
        }
        if (const HRESULT hr = call.Refusal(); FAILED(hr)) {
            return call.Finish(hr);
        }
        ULONG given = 0;
        while (given < celt && position_ < items_.size()) {
            items[given] = items_[position_++];
            items[given]->AddRef();
            ++given;
        }
        if (fetched != nullptr) {
            *fetched = given;
        }
        return call.Finish(given == celt ? S_OK : S_FALSE);
    }

    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override {
        PlatformCall call(Names::kSkip, std::to_string(celt));
        if (const HRESULT hr = call.Refusal(); FAILED(hr)) {
            return call.Finish(hr);
        }
        const std::size_t left = items_.size() - position_;
        position_ += std::min<std::size_t>(celt, left);
        return call.Finish(celt <= left ? S_OK : S_FALSE);
    }

    HRESULT STDMETHODCALLTYPE Reset() override {
        PlatformCall call(Names::kReset);
        if (const HRESULT hr = call.Refusal(); FAILED(hr)) {
            return call.Finish(hr);
        }
        position_ = 0;
        return call.Finish(S_OK);
    }

    // Microsoft documents the Clone of these enumerators as not implemented.
    HRESULT STDMETHODCALLTYPE Clone(EnumInterface** enumerator) override {
        return NotModelled(Names::kClone, std::string(), enumerator);
    }

private:
    ~Enumerator() {
        for (Item* item : items_) {
            item->Release();
        }
    }

    std::vector<Item*> items_;
    std::size_t position_ = 0;
};

}  // namespace

IEnumNetCfgComponent* NewComponentEnum(std::vector<INetCfgComponent*> items) {
    return new Enumerator<IEnumNetCfgComponent, INetCfgComponent, ComponentEnumNames>(
        std::move(items));
}

IEnumNetCfgBindingPath* NewBindingPathEnum(std::vector<INetCfgBindingPath*> items) {
    return new Enumerator<IEnumNetCfgBindingPath, INetCfgBindingPath, BindingPathEnumNames>(
        std::move(items));
}

IEnumNetCfgBindingInterface* NewBindingInterfaceEnum(std::vector<INetCfgBindingInterface*> items) {
    return new Enumerator<IEnumNetCfgBindingInterface, INetCfgBindingInterface,
                          BindingInterfaceEnumNames>(std::move(items));
}

IEnumNetCfgComponent* EnumerateComponents(const std::shared_ptr<NetCfgSession>& session,
                                          std::optional<ComponentClass> componentClass) {
    std::vector<INetCfgComponent*> items;
    for (const ComponentRecord* record : ComponentsOf(session->staged(), componentClass)) {
        items.push_back(NewNetCfgComponent(session, *record));
    }
    return NewComponentEnum(std::move(items));
}

}  // namespace simwin
