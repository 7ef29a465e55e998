// Writes a TV episode's tag set with a cover, a rating item and a cast list in place, again and
// again, on a copy of the given file, and prints the median time of one save.
//
//   mp4tags_bench FILE COVER.jpg [REPEATS]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mp4/Mp4File.h"

using namespace zuvo;

namespace {

const std::string kApple = "com.apple.iTunes";

std::string castList(int round) {
  std::string plist =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n<dict>\n\t<key>cast</key>\n\t<array>\n";
  for (int i = 0; i < 10; ++i)
    plist += "\t\t<dict>\n\t<key>name</key>\n\t<string>Actor " + std::to_string(round * 10 + i) + "</string>\n\t</dict>\n";
  plist += "\t</array>\n\t<key>producers</key>\n\t<array>\n\t\t<dict>\n\t<key>name</key>\n\t<string>Unknown</string>\n"
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
  const int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 21;
  std::ifstream in(argv[2], std::ios::binary);
  const Mp4Buffer cover((std::istreambuf_iterator<char>(in)), {});
  if (cover.empty()) {
    std::fprintf(stderr, "cannot read the cover %s\n", argv[2]);
    return 1;
  }
  const std::filesystem::path copy = source.parent_path() / (source.stem().string() + ".bench-copy" + source.extension().string());
  std::filesystem::copy_file(source, copy, std::filesystem::copy_options::overwrite_existing);
  // The copy's own data reaches the disk before timing starts, so no save pays for it.
  const int fd = ::open(copy.c_str(), O_RDONLY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }

  std::vector<double> ms;
  for (int round = 0; round < repeats; ++round) {
    const auto start = std::chrono::steady_clock::now();
    const Mp4Error e = save(copy.string(), cover, round);
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    if (e) {
      std::fprintf(stderr, "save %d failed: %s\n", round, e.message().c_str());
      std::filesystem::remove(copy);
      return 1;
    }
  }
  const double first = ms.front();
  std::sort(ms.begin(), ms.end());
  std::printf("%s: %d saves, median %.2f ms, first %.2f ms, max %.2f ms, file %.1f MB -> %.1f MB\n",
              source.filename().c_str(), repeats, ms[ms.size() / 2], first, ms.back(),
              double(std::filesystem::file_size(source)) / 1e6, double(std::filesystem::file_size(copy)) / 1e6);
  std::filesystem::remove(copy);
  return 0;
}
