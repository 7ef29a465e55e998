#include "metadata/EpisodeItem.h"

#include <algorithm>

namespace zuvo {

qint32 EpisodeMatch(const QString& episodeName, const QString& title) {
  if (episodeName.isEmpty()) return 0;
  const qsizetype shorter = std::min(episodeName.size(), title.size());
  qsizetype common = 0;
  while (common < shorter && episodeName[common].toCaseFolded() == title[common].toCaseFolded()) ++common;
  return static_cast<qint32>(common * 10 / episodeName.size());
}

}  // namespace zuvo
