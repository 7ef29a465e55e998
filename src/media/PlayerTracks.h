#pragma once
// Entries of the preview window's audio and subtitle menus.
#include <QString>

namespace zuvo {

struct Audio {
  QString language;
  int tracknumber = 0;
};

struct Subtitle {
  QString language;
  int tracknumber = 0;
};

}  // namespace zuvo
