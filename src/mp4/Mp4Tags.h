#pragma once
// The iTunes tag set. A field that is set is written on store; a field that is not set
// removes its item. Items outside this set (freeform ones among them) are never touched.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mp4/Mp4Box.h"
#include "mp4/Mp4Cover.h"

namespace zuvo {

struct Mp4IndexTotal {
  uint16_t index = 0;
  uint16_t total = 0;
  bool operator==(const Mp4IndexTotal&) const = default;
};

struct Mp4Tags {
  using Text = std::optional<std::string>;

  Text name;             // ©nam
  Text artist;           // ©ART
  Text albumArtist;      // aART
  Text album;            // ©alb
  Text grouping;         // ©grp
  Text composer;         // ©wrt
  Text comments;         // ©cmt
  Text genre;            // ©gen
  Text releaseDate;      // ©day
  Text tvShow;           // tvsh
  Text tvNetwork;        // tvnn
  Text tvEpisodeID;      // tven
  Text description;      // desc
  Text longDescription;  // ldes
  Text lyrics;           // ©lyr
  Text sortName;         // sonm
  Text sortArtist;       // soar
  Text sortAlbumArtist;  // soaa
  Text sortAlbum;        // soal
  Text sortComposer;     // soco
  Text sortTVShow;       // sosn
  Text copyright;        // cprt
  Text encodingTool;     // ©too
  Text encodedBy;        // ©enc
  Text purchaseDate;     // purd
  Text iTunesAccount;    // apID

  std::optional<Mp4IndexTotal> track;  // trkn
  std::optional<Mp4IndexTotal> disk;   // disk

  std::optional<uint16_t> genreType;      // gnre: ID3 genre number + 1
  std::optional<uint16_t> tempo;          // tmpo
  std::optional<uint32_t> tvSeason;       // tvsn
  std::optional<uint32_t> tvEpisode;      // tves
  std::optional<uint8_t> mediaType;       // stik
  std::optional<uint8_t> hdVideo;         // hdvd
  std::optional<uint8_t> contentRating;   // rtng
  std::optional<bool> gapless;            // pgap
  std::optional<bool> compilation;        // cpil
  std::optional<bool> podcast;            // pcst
  std::optional<uint32_t> contentID;      // cnID
  std::optional<uint32_t> artistID;       // atID
  std::optional<uint64_t> playlistID;     // plID
  std::optional<uint32_t> genreID;        // geID
  std::optional<uint32_t> composerID;     // cmID
  std::optional<uint32_t> iTunesCountry;  // sfID

  std::vector<Mp4Cover> artwork;  // covr; empty removes the item

  bool operator==(const Mp4Tags&) const = default;

  // Reads the known items of an ilst box.
  static Mp4Tags fetch(const Mp4Box& ilst);
  // Replaces the known items of `ilst` with this set.
  void store(Mp4Box& ilst) const;
};

}  // namespace zuvo
