#include "mp4/Mp4Tags.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "mp4/Mp4Item.h"

namespace zuvo {

namespace {

struct TextRow {
  std::string_view code;
  Mp4Tags::Text Mp4Tags::*field;
};
constexpr std::array<TextRow, 26> kTextItems = {{
    {"\xA9nam", &Mp4Tags::name},
    {"\xA9"
     "ART",
     &Mp4Tags::artist},
    {"aART", &Mp4Tags::albumArtist},
    {"\xA9"
     "alb",
     &Mp4Tags::album},
    {"\xA9grp", &Mp4Tags::grouping},
    {"\xA9wrt", &Mp4Tags::composer},
    {"\xA9"
     "cmt",
     &Mp4Tags::comments},
    {"\xA9gen", &Mp4Tags::genre},
    {"\xA9"
     "day",
     &Mp4Tags::releaseDate},
    {"tvsh", &Mp4Tags::tvShow},
    {"tvnn", &Mp4Tags::tvNetwork},
    {"tven", &Mp4Tags::tvEpisodeID},
    {"desc", &Mp4Tags::description},
    {"ldes", &Mp4Tags::longDescription},
    {"\xA9lyr", &Mp4Tags::lyrics},
    {"sonm", &Mp4Tags::sortName},
    {"soar", &Mp4Tags::sortArtist},
    {"soaa", &Mp4Tags::sortAlbumArtist},
    {"soal", &Mp4Tags::sortAlbum},
    {"soco", &Mp4Tags::sortComposer},
    {"sosn", &Mp4Tags::sortTVShow},
    {"cprt", &Mp4Tags::copyright},
    {"\xA9too", &Mp4Tags::encodingTool},
    {"\xA9"
     "enc",
     &Mp4Tags::encodedBy},
    {"purd", &Mp4Tags::purchaseDate},
    {"apID", &Mp4Tags::iTunesAccount},
}};

// Integer items with the width and type code iTunes writes them with.
template <class T>
struct IntegerRow {
  std::string_view code;
  std::optional<T> Mp4Tags::*field;
  int width;
  Mp4DataType type = Mp4DataType::SignedInteger;
};
constexpr std::array<IntegerRow<uint16_t>, 2> k16BitItems = {{
    {"gnre", &Mp4Tags::genreType, 2, Mp4DataType::Implicit},
    {"tmpo", &Mp4Tags::tempo, 2},
}};
constexpr std::array<IntegerRow<uint8_t>, 3> k8BitItems = {{
    {"stik", &Mp4Tags::mediaType, 1},
    {"hdvd", &Mp4Tags::hdVideo, 1},
    {"rtng", &Mp4Tags::contentRating, 1},
}};
constexpr std::array<IntegerRow<bool>, 3> kFlagItems = {{
    {"pgap", &Mp4Tags::gapless, 1},
    {"cpil", &Mp4Tags::compilation, 1},
    {"pcst", &Mp4Tags::podcast, 1},
}};
constexpr std::array<IntegerRow<uint32_t>, 7> k32BitItems = {{
    {"tvsn", &Mp4Tags::tvSeason, 4},
    {"tves", &Mp4Tags::tvEpisode, 4},
    {"cnID", &Mp4Tags::contentID, 4},
    {"atID", &Mp4Tags::artistID, 4},
    {"geID", &Mp4Tags::genreID, 4},
    {"cmID", &Mp4Tags::composerID, 4},
    {"sfID", &Mp4Tags::iTunesCountry, 4},
}};
constexpr std::array<IntegerRow<uint64_t>, 1> k64BitItems = {{
    {"plID", &Mp4Tags::playlistID, 8},
}};

struct PairRow {
  std::string_view code;
  std::optional<Mp4IndexTotal> Mp4Tags::*field;
  int trailingBytes;  // trkn carries two more zero bytes than disk
};
constexpr std::array<PairRow, 2> kPairItems = {{
    {"trkn", &Mp4Tags::track, 2},
    {"disk", &Mp4Tags::disk, 0},
}};
constexpr std::string_view kCoverCode = "covr";

const Mp4ItemData* firstData(const Mp4Box& ilst, std::string_view code, Mp4Item& holder) {
  for (const Mp4Box& box : ilst.children())
    if (box.type() == code) {
      if (Mp4Item::fromBox(box, holder).failed() || holder.data().empty()) return nullptr;
      return &holder.data().front();
    }
  return nullptr;
}

// Puts `item` where the first item of its code stood (or at the end) and drops the others.
void replaceItem(Mp4Box& ilst, std::string_view code, std::optional<Mp4Item> item) {
  auto& items = ilst.children();
  auto first = std::find_if(items.begin(), items.end(), [&](const Mp4Box& b) { return b.type() == code; });
  size_t position = size_t(first - items.begin());
  ilst.removeAll(code);
  if (!item) return;
  position = std::min(position, items.size());
  items.insert(items.begin() + std::ptrdiff_t(position), item->toBox());
}

Mp4Item integerItem(std::string_view code, int width, Mp4DataType type, uint64_t value) {
  Mp4ItemData d;
  d.type = uint32_t(type);
  d.value.resize(size_t(width));
  mp4PutUnsigned(d.value.data(), width, value);
  return Mp4Item(std::string(code), {d});
}

template <class T, size_t N>
void fetchIntegers(const std::array<IntegerRow<T>, N>& rows, const Mp4Box& ilst, Mp4Tags& tags) {
  for (const auto& row : rows) {
    Mp4Item holder;
    const Mp4ItemData* d = firstData(ilst, row.code, holder);
    if (d && !d->value.empty() && d->value.size() <= 8) tags.*row.field = T(mp4ReadUnsigned(d->value));
  }
}

template <class T, size_t N>
void storeIntegers(const std::array<IntegerRow<T>, N>& rows, const Mp4Tags& tags, Mp4Box& ilst) {
  for (const auto& row : rows) {
    const auto& v = tags.*row.field;
    replaceItem(ilst, row.code,
                v ? std::optional(integerItem(row.code, row.width, row.type, uint64_t(*v))) : std::nullopt);
  }
}

}  // namespace

Mp4Tags Mp4Tags::fetch(const Mp4Box& ilst) {
  Mp4Tags tags;
  for (const TextRow& row : kTextItems) {
    Mp4Item holder;
    if (const Mp4ItemData* d = firstData(ilst, row.code, holder)) tags.*row.field = d->text();
  }
  fetchIntegers(k8BitItems, ilst, tags);
  fetchIntegers(kFlagItems, ilst, tags);
  fetchIntegers(k16BitItems, ilst, tags);
  fetchIntegers(k32BitItems, ilst, tags);
  fetchIntegers(k64BitItems, ilst, tags);
  for (const PairRow& row : kPairItems) {
    Mp4Item holder;
    const Mp4ItemData* d = firstData(ilst, row.code, holder);
    if (!d || d->value.size() < 6) continue;
    Mp4ByteReader r(d->value);
    r.skip(2);
    Mp4IndexTotal pair;
    pair.index = r.u16();
    pair.total = r.u16();
    tags.*row.field = pair;
  }
  for (const Mp4Box& box : ilst.children()) {
    if (box.type() != kCoverCode) continue;
    Mp4Item item;
    if (Mp4Item::fromBox(box, item).failed()) continue;
    for (const Mp4ItemData& d : item.data()) tags.artwork.push_back({Mp4DataType(d.type), d.value});
  }
  return tags;
}

void Mp4Tags::store(Mp4Box& ilst) const {
  for (const TextRow& row : kTextItems) {
    const Text& v = this->*row.field;
    replaceItem(
        ilst, row.code,
        v ? std::optional(Mp4Item(std::string(row.code), {Mp4ItemData::fromText(*v)})) : std::nullopt);
  }
  storeIntegers(k8BitItems, *this, ilst);
  storeIntegers(kFlagItems, *this, ilst);
  storeIntegers(k16BitItems, *this, ilst);
  storeIntegers(k32BitItems, *this, ilst);
  storeIntegers(k64BitItems, *this, ilst);
  for (const PairRow& row : kPairItems) {
    const auto& v = this->*row.field;
    std::optional<Mp4Item> item;
    if (v) {
      Mp4ItemData d;
      d.type = uint32_t(Mp4DataType::Implicit);
      Mp4ByteWriter w;
      w.u16(0).u16(v->index).u16(v->total).zeros(size_t(row.trailingBytes));
      d.value = w.take();
      item = Mp4Item(std::string(row.code), {d});
    }
    replaceItem(ilst, row.code, item);
  }
  std::optional<Mp4Item> covers;
  if (!artwork.empty()) {
    covers = Mp4Item(std::string(kCoverCode), {});
    for (const Mp4Cover& c : artwork) {
      Mp4ItemData d;
      d.type = uint32_t(c.format);
      d.value = c.data;
      covers->data().push_back(std::move(d));
    }
  }
  replaceItem(ilst, kCoverCode, covers);
}

}  // namespace zuvo
