#pragma once
// tagChimp: metadata for TV shows and movies, and the only source of chapter titles. Each
// answer is downloaded over HTTPS into a cache file first; a file that is there already
// is read without a download. Each call blocks its thread while it downloads and writes
// the item directly.
#include <QString>
#include <QStringList>

#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "media/MediaFile.h"

namespace zuvo {

inline constexpr const char* kTagChimpToken = "58302947615AB7410D9EF26";

// What a search collects.
enum class TagChimpMode {
  ChapterCandidates = 0,   // into `ChaptersAlternates`; the metadata selection is left alone
  MetadataCandidates = 1,  // into `AlternativeSuggestions`, with a selection
};

// Searches for the item's series name; with `tv` for its season and episode. TV
// candidates of another season or episode are not kept as metadata candidates. The
// selection is the first kept candidate named like the item, else the first kept one at
// or after the first candidate so named, else none (-1).
// Code 1 "Unable to connect to Tag Chimp server".
BCError TagChimpSearchWithMode(MediaFile& item, TagChimpMode mode, const QString& language,
                               const QString& cachePath, bool tv, const Reporter& reporter);
BCError TagChimpSearchSuggestions(MediaFile& item, const QString& language, const QString& cachePath, bool tv,
                                  const Reporter& reporter);
BCError TagChimpSearchChapterAlternates(MediaFile& item, const QString& language, const QString& cachePath,
                                        bool tv, const Reporter& reporter);

// Takes over the record `tagChimpID` (a TV record for a TV show): from its first movie
// the title (series name of a movie, episode name of a TV show), description, rating and
// date; from every movie the actors (six at most), directors, producers and genres; the
// covers and wide posters into `alternateimages` and the first that downloads into
// `image`. `language` is not used. Code 1 "Unable to connect to Tag Chimp server".
BCError TagChimpLookupShowData(MediaFile& item, qint32 tagChimpID, const QString& language,
                               const QString& cachePath, const Reporter& reporter);

// The record's chapter titles, in order, as the QStringList result of the answer.
// `language` is not used. Code 1 "Unable to connect to Tag Chimp server".
BCError TagChimpLookupChapterTitles(MediaFile& item, qint32 tagChimpID, const QString& language,
                                    const QString& cachePath, const Reporter& reporter);

}  // namespace zuvo
