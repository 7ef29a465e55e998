#include "helper264/Turbo264Framework.h"

#include <QFileInfo>
#include <QLibrary>

namespace zuvo::helper264 {

const ZuvoTurbo264* loadTurbo264Framework(const QString& folder) {
  const QString path = folder + u'/' + QLatin1String(kPluginFileName);
  if (!QFileInfo(path).isFile()) return nullptr;
  // Never unloaded: the table points into the library for the life of the process.
  static QLibrary library;
  library.setFileName(path);
  if (!library.load()) return nullptr;
  const auto entry = reinterpret_cast<ZuvoTurbo264EntryPoint>(library.resolve(kEntryPoint));
  if (!entry) return nullptr;
  const ZuvoTurbo264* framework = entry();
  // A table without the calls every version offers is no framework.
  if (!framework || !framework->version || !framework->isAvailable) return nullptr;
  return framework;
}

}  // namespace zuvo::helper264
