// Imports a converted file into the media library:
// "importmovie PATH DESCRIPTION [MEDIATYPE [move]]". The media type (0 TV show, 1 movie,
// 2 home movie) is given by the converter, since a home movie is tagged as a movie; without
// it the file's media kind decides. "move" hands the file itself to the library instead of
// a copy. Prints where the file went.
#include <cstdio>

#include "tools/library/HandlerMain.h"
#include "tools/library/LibraryImport.h"

using namespace zuvo::library;

int main(int argc, char** argv) {
  return runHandler(argc, argv, "importmovie", 2, 4, [](const QStringList& arguments) {
    std::optional<Kind> kind;
    if (arguments.size() > 2) {
      const std::optional<qint32> mediaType = numberArgument(arguments[2]);
      kind = mediaType ? kindOfMediaType(*mediaType) : std::nullopt;
      if (!kind) return HandlerOutcome::wrongCall("unknown media type " + arguments[2]);
    }
    ImportMode mode = ImportMode::Copy;
    if (arguments.size() > 3) {
      if (arguments[3] != QLatin1String("move"))
        return HandlerOutcome::wrongCall("unknown import mode " + arguments[3]);
      mode = ImportMode::Move;
    }
    const ImportResult result = importIntoLibrary(libraryFolder(), arguments[0], arguments[1], kind, mode);
    if (!result.warning.isEmpty()) std::fprintf(stderr, "%s\n", result.warning.toUtf8().constData());
    return result.imported ? HandlerOutcome::reply(result.placedAt) : HandlerOutcome::failure(result.error);
  });
}
