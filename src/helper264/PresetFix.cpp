#include "helper264/PresetFix.h"

#include <QtEndian>

namespace zuvo::helper264 {

std::optional<int64_t> fixedInternalID(std::optional<int64_t> id, int frameworkVersion, bool answersHDQuery) {
  if (!id || frameworkVersion < 1 || frameworkVersion > 7 || !answersHDQuery) return id;
  return int64_t(qbswap(quint32(*id)));
}

}  // namespace zuvo::helper264
