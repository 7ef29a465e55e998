#pragma once
// Asking a service whether it takes a key, for the preferences' Test buttons. Each check
// blocks its thread for one request (TheTVDB: one log-in) and logs nothing.
#include <QString>

namespace zuvo::live {

struct KeyTestAnswer {
  enum class Outcome { Taken, Refused, NoAnswer };
  Outcome outcome = Outcome::NoAnswer;
  QString detail;  // why there was no answer
};

// TheMovieDB: a v3 key or a read-access token.
KeyTestAnswer testTMDBKey(const QString& key);
// TheTVDB: a project key, with the subscriber PIN a user-supported key needs.
KeyTestAnswer testTVDBKey(const QString& key, const QString& pin);

}  // namespace zuvo::live
