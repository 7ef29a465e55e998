#include "convert/converter/SamplePlayer.h"

#include <QProcess>

namespace zuvo {

bool playSample(const QString& path) {
  const QString chosen = qEnvironmentVariable(kSamplePlayerVariable);
  const QString program = chosen.isEmpty() ? QString::fromLatin1(kDefaultSamplePlayer) : chosen;
  // Detached: the player lives on after the conversion, as a player the user opened would.
  return QProcess::startDetached(program, {path});
}

}  // namespace zuvo
