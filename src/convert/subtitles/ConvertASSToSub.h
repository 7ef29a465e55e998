#pragma once
#include <QString>

namespace zuvo {

// Turns the ASS file `name` in `folder` into the SubRip file "<name without extension>.sub"
// beside it and answers that file's name. Events are sorted by start; an event that
// starts before the one before it has ended is shown with it (its text joined on with a
// space, the earlier times kept). Override blocks go, "\N" becomes a line break.
QString convertASSToSub(const QString& name, const QString& folder);

}  // namespace zuvo
