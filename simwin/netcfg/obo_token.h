// The token on whose behalf INetCfgClassSetup installs or removes a component (OBO_TOKEN), as
// the reference the store keeps, and the list of references DeInstall hands back.
#pragma once

#include "machine/netcfg_store.h"

#include <netcfgx.h>

#include <string>
#include <vector>

namespace simwin {

// The reference a token stands for. E_POINTER for a null token; E_INVALIDARG for an unknown
// type, an OBO_COMPONENT whose component is not one of this configuration's, or an OBO_SOFTWARE
// without its manufacturer, product or display name.
HRESULT ReadOboToken(const OBO_TOKEN* token, const NetCfgStore& store,
                     ComponentReference* reference);

// The references that keep a component installed, as DeInstall's pmszwRefs gives them: a list
// of the display names of the referencing components and products, each ended by a null
// character, the list ended by one more (the user's own reference has no name and is not
// listed). Allocated with the COM task allocator; null when out of memory.
LPWSTR ReferenceList(const NetCfgStore& store, const std::vector<ComponentReference>& references);

}  // namespace simwin
