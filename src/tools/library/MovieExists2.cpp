// Answers whether a movie is in the media library: "movieexists TITLE" prints 1 when it is,
// 0 when it is not. An index that cannot be read is a failure, never an answer.
#include "tools/library/HandlerMain.h"
#include "tools/library/LibraryIndex.h"

using namespace zuvo::library;

int main(int argc, char** argv) {
  return runHandler(argc, argv, "movieexists", 1, 1, [](const QStringList& arguments) {
    const LibraryIndex index(libraryFolder());
    QList<LibraryItem> items;
    QString error;
    if (!index.read(items, error)) return HandlerOutcome::failure(error);
    return HandlerOutcome::reply(index.countMovies(items, arguments[0]) > 0 ? QStringLiteral("1")
                                                                            : QStringLiteral("0"));
  });
}
