// The binding interfaces a network INF declares for the component it installs: the registry
// lines of its install section's AddReg sections that write the component's Ndi\Interfaces key.
#pragma once

#include "machine/inf_file.h"
#include "machine/netcfg_store.h"

#include <optional>
#include <string>

namespace simwin {

// The UpperRange, LowerRange and FilterMediaTypes values that the AddReg sections of
// installSection write under "HKR, Ndi\Interfaces" (the root and the key without regard to
// letter case, %strings% substituted; a later line overrides an earlier one, as the registry
// would). Each value is a list of names separated by commas or blanks, kept in lower case;
// names that are not interface names are left out. None when the INF writes none of the three.
std::optional<BindingInterfaces> ReadNdiInterfaces(const InfFile& inf,
                                                   const std::wstring& installSection);

}  // namespace simwin
