// Answers whether an episode is in the media library: "tvshowexists2 SERIES SEASON EPISODE"
// prints how many copies of it the library holds (0 for none). An index that cannot be read
// is a failure, never an answer.
#include "tools/library/HandlerMain.h"
#include "tools/library/LibraryIndex.h"

using namespace zuvo::library;

int main(int argc, char** argv) {
  return runHandler(argc, argv, "tvshowexists2", 3, 3, [](const QStringList& arguments) {
    const std::optional<qint32> season = numberArgument(arguments[1]);
    const std::optional<qint32> episode = numberArgument(arguments[2]);
    if (!season || !episode) return HandlerOutcome::wrongCall("season and episode must be numbers");
    const LibraryIndex index(libraryFolder());
    QList<LibraryItem> items;
    QString error;
    if (!index.read(items, error)) return HandlerOutcome::failure(error);
    return HandlerOutcome::reply(
        QString::number(index.countEpisodes(items, arguments[0], quint32(*season), quint32(*episode))));
  });
}
