#pragma once
// Frameworks of versions 1 to 7 that know HD devices read a preset's internal id with its
// bytes in the other order: the id is swapped before it is handed back to them.
#include <cstdint>
#include <optional>

namespace zuvo::helper264 {

std::optional<int64_t> fixedInternalID(std::optional<int64_t> id, int frameworkVersion, bool answersHDQuery);

}  // namespace zuvo::helper264
