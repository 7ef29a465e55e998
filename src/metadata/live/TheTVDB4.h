#pragma once
// TheTVDB's JSON interface (v4), asked with the user's key (and PIN where the key needs
// one). The bearer token of a log-in lives in memory for the run; a 401 on a call logs in
// once more before the key counts as refused.
#include <QJsonObject>
#include <QString>
#include <optional>

#include "metadata/live/LiveService.h"

namespace zuvo::live {

// The user has given a TheTVDB key.
bool haveTheTVDBKey();

// A GET below the v4 base ("/search?query=…"), authorized; the answer's "data", or nothing
// (logged) on any failure. `notFound` (when given) is set on a 404 instead of logging it.
std::optional<QJsonValue> theTVDBData(LiveSession& session, const QString& pathAndQuery,
                                      bool* notFound = nullptr);

// The same GET's whole answer object ("data" and "links").
std::optional<QJsonObject> theTVDBAnswer(LiveSession& session, const QString& pathAndQuery,
                                         bool* notFound = nullptr);

enum class KeyCheck { Accepted, Refused, Unreachable };
// One log-in with `key` and `pin` (the "Test" button): whether TheTVDB took them. Blocks
// for at most `timeout` seconds; the token it gets is not kept.
KeyCheck checkTheTVDBKey(const QString& key, const QString& pin, double timeout,
                         const Reporter& reporter = {});

// Forgets the token of the last log-in (a changed key, tests).
void forgetTheTVDBToken();

}  // namespace zuvo::live
