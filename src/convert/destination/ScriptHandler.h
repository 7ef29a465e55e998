#pragma once
// Calling a script handler. The library's scripts are programs of ours in the resources,
// called with the handler name in lower case and then its arguments; the user's
// post-conversion script is any program, called with its arguments alone. Every argument
// is one argument of the program, whatever it holds: no shell ever sees them.
#include <QString>
#include <QStringList>

#include "platform/BoundedRun.h"

namespace zuvo {

// The resource names of the library's scripts.
inline constexpr const char* kImportMovieScript = "ImportMovie";
inline constexpr const char* kTVShowExistsScript = "TVShowExists2";
inline constexpr const char* kMovieExistsScript = "MovieExists2";
// ImportMovie's last argument when the library is to take the file rather than a copy.
inline constexpr const char* kImportMoveArgument = "move";

struct HandlerCall {
  enum class Outcome {
    NotFound,    // no such script
    NotStarted,  // it is there but would not run
    Failed,      // it ran and reported a failure (or died)
    Replied,
    TimedOut,  // ended at the time limit
    Stopped,   // ended by the stop request
  };
  Outcome outcome = Outcome::NotFound;
  int exitStatus = -1;
  QString output;  // standard output and standard error together, trimmed

  // The error information as one line (its values joined by single spaces), and as
  // "key" = "value"; pairs.
  QString errorValues() const;
  QString errorStrings() const;
};

// The default bounds of a script's run: no time limit, the output capped, no events served
// meanwhile, and what the script started in the background (a player, say) left running
// when it ends.
RunBounds scriptBounds();
// Runs the script at `program` (a path; empty when it could not be found) and waits for it,
// within `bounds`.
HandlerCall callHandler(const QString& program, const QStringList& arguments,
                        RunBounds bounds = scriptBounds());
// The library script `resource` with `handler` (lower-cased) before the arguments.
HandlerCall callScriptHandler(const QString& resource, const QString& handler, const QStringList& arguments);

}  // namespace zuvo
