#pragma once
// Adding entries to a finished ZIP package (an OpenDocument file written by
// a writer that knows nothing of page headers): the existing entries are
// copied as they are, compressed data included, so nothing is unpacked.
#include <string>
#include <utility>
#include <vector>

namespace mv {
// Returns the package with entries added (name, bytes), stored without
// compression after the existing ones; an existing entry of the same name is
// left out. A package without a readable central directory raises
// EInOutError.
std::string AddToZipPackage(const std::string &zip,
                            const std::vector<std::pair<std::string, std::string>> &entries);
} // namespace mv
