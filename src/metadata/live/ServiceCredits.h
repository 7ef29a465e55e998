#pragma once
// What the services that answer the look-ups ask to be credited with, wherever Zuvo names
// them (the About window, the pane that holds their keys).
#include <QString>
#include <QStringList>

namespace zuvo::live {

inline QStringList serviceCredits() {
  return {QStringLiteral("This product uses the TMDB API but is not endorsed or certified by TMDB."),
          QStringLiteral("TV show data from TVmaze.com, licensed under CC BY-SA."),
          QStringLiteral("Information provided by TheTVDB.com.")};
}

}  // namespace zuvo::live
