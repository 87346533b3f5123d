#include "netcfg/obo_token.h"

#include "netcfg/netcfg_objects.h"

#include <objbase.h>

#include <cstring>

namespace simwin {

namespace {

bool HasText(LPCWSTR text) {
    return text != nullptr && *text != L'\0';
}

}  // namespace

HRESULT ReadOboToken(const OBO_TOKEN* token, const NetCfgStore& store,
                     ComponentReference* reference) {
    if (token == nullptr) {
        return E_POINTER;
    }
    *reference = ComponentReference();
    // A caller may pass any bits as the type: read them as the integer they are, since an
    // enumeration holding a value outside its enumerators is not a value the program may load.
    int type = 0;
    static_assert(sizeof type == sizeof token->Type, "OBO_TOKEN_TYPE is an int");
    std::memcpy(&type, &token->Type, sizeof type);
    switch (type) {
        case OBO_USER:
            reference->kind = ReferenceKind::User;
            return S_OK;
        case OBO_COMPONENT: {
            const auto instance =
                token->pncc != nullptr ? ComponentInstance(token->pncc) : std::optional<unsigned>();
            if (!instance || store.components.count(*instance) == 0) {
                return E_INVALIDARG;
            }
            reference->kind = ReferenceKind::Component;
            reference->component = *instance;
            return S_OK;
        }
        case OBO_SOFTWARE:
            if (!HasText(token->pszwManufacturer) || !HasText(token->pszwProduct) ||
                !HasText(token->pszwDisplayName)) {
                return E_INVALIDARG;
            }
            reference->kind = ReferenceKind::Software;
            reference->manufacturer = token->pszwManufacturer;
            reference->product = token->pszwProduct;
            reference->displayName = token->pszwDisplayName;
            return S_OK;
    }
    return E_INVALIDARG;
}

LPWSTR ReferenceList(const NetCfgStore& store, const std::vector<ComponentReference>& references) {
    std::wstring list;
    for (const ComponentReference& reference : references) {
        if (reference.kind == ReferenceKind::Software) {
            list += reference.displayName;
            list += L'\0';
        } else if (reference.kind == ReferenceKind::Component) {
            const auto found = store.components.find(reference.component);
            if (found != store.components.end()) {
                list += found->second.displayName;
                list += L'\0';
            }
        }
    }
    list += L'\0';
    const std::size_t bytes = (list.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (copy != nullptr) {
        std::memcpy(copy, list.c_str(), bytes);
    }
    return copy;
}

}  // namespace simwin
