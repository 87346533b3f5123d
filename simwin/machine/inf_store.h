// The machine's INF store: "<root>/inf", holding the published copies "oemN.inf" and an
// "index" file, one "PUBLISHED<TAB>ORIGINAL NAME<TAB>SOURCE LOCATION" a line.
#pragma once

#include "machine/inf_file.h"
#include "machine/inf_lookup.h"

#include <simwin/machine.h>

#include <optional>
#include <string>
#include <vector>

namespace simwin {

std::string InfStoreFolder(const std::string& root);

// Creates the empty store (folder and index).
bool CreateInfStore(const std::string& root, std::string* error);

bool ReadInfIndex(const std::string& root, std::vector<InfInfo>* infs, std::string* error);

// Publishes an INF's bytes as "oemN.inf": the same bytes as an INF already there give that
// INF's name (its source location updated); otherwise the lowest free N. Under the store's lock.
bool PublishInf(const std::string& root, const std::string& originalName, const std::string& bytes,
                const std::string& sourceLocation, std::string* publishedName, std::string* error);

}  // namespace simwin
