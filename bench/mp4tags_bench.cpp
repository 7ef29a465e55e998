// Writes a TV episode's tag set with a cover, a rating item and a cast list in place, again and
// again, on a copy of the given file, and prints the median time of one save.
//
//   mp4tags_bench FILE COVER.jpg [REPEATS]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "TimedSaves.h"
#include "mp4/Mp4File.h"

using namespace zuvo;

namespace {

const std::string kApple = "com.apple.iTunes";

std::string castList(int round) {
  std::string plist =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n<dict>\n\t<key>cast</key>\n\t<array>\n";
  for (int i = 0; i < 10; ++i)
    plist += "\t\t<dict>\n\t<key>name</key>\n\t<string>Actor " + std::to_string(round * 10 + i) +
             "</string>\n\t</dict>\n";
  plist +=
      "\t</array>\n\t<key>producers</key>\n\t<array>\n\t\t<dict>\n\t<key>name</key>\n\t<string>Unknown</"
      "string>\n"
      "\t</dict>\n\t</array>\n</dict>\n</plist>\n";
  return plist;
}

Mp4Error save(const std::string& path, const Mp4Buffer& cover, int round) {
  Mp4File f;
  if (auto e = f.open(path, Mp4File::Mode::Modify)) return e;
  Mp4Tags t;
  t.encodedBy = "Zuvo (Kelvane Software)";
  t.genre = "Drama";
  t.releaseDate = "2008-01-20";
  t.description = t.longDescription = "Episode " + std::to_string(round) + " of the benchmark series.";
  t.lyrics = t.sortArtist = t.sortAlbumArtist = t.sortAlbum = "";
  t.mediaType = 10;
  t.tvShow = t.sortName = t.albumArtist = t.artist = "Benchmark Show";
  t.tvSeason = 2;
  t.tvEpisode = uint32_t(round % 99);
  t.name = "Episode " + std::to_string(round);
  t.tvEpisodeID = std::to_string(200 + round % 99);
  t.track = Mp4IndexTotal{uint16_t(round % 99), 0};
  t.disk = Mp4IndexTotal{1, 1};
  t.tvNetwork = "";
  t.album = t.sortTVShow = "Benchmark Show, Season 2";
  t.hdVideo = 1;
  t.contentID = 1000 + uint32_t(round);
  t.artwork = {Mp4Cover::fromPicture(cover)};
  f.storeTags(t);
  f.removeFreeformItems(kApple, "iTunEXTC");
  f.addFreeformItem(Mp4Item::freeformText(kApple, "iTunEXTC", "us-tv|TV-14|500|"));
  f.removeFreeformItems(kApple, "iTunMOVI");
  f.addFreeformItem(Mp4Item::freeformText(kApple, "iTunMOVI", castList(round)));
  return f.commit();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s FILE COVER.jpg [REPEATS]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path source = argv[1];
  const int repeats = bench::repeatsArgument(argc, argv);
  std::ifstream in(argv[2], std::ios::binary);
  const Mp4Buffer cover((std::istreambuf_iterator<char>(in)), {});
  if (cover.empty()) {
    std::fprintf(stderr, "cannot read the cover %s\n", argv[2]);
    return 1;
  }
  return bench::timeSaves(source, repeats, [&](const std::string& copy, int round) {
    return save(copy, cover, round).message();
  });
}
