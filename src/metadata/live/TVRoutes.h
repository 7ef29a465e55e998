#pragma once
// The TV routes: TheTVDB's XML requests answered by TheTVDB v4 when the user has a key,
// else by TVmaze; TVRage's answered by TVmaze. Series ids stay TheTVDB's whichever service
// answers; a show without one is no candidate.
#include "metadata/live/LiveRouting.h"

namespace zuvo::live {

// "/api/GetSeries.php?seriesname=%22…%22"
void answerTheTVDBSearch(LiveCall& call);
// "/data/series/ID/all/LANG.xml" (and the form without ".xml")
void answerTheTVDBRecord(LiveCall& call);
// "/api/KEY/series/ID/banners.xml"
void answerTheTVDBBannerList(LiveCall& call);
// A banner image: the banner list names each by its live address below the banner base.
void answerTheTVDBBanner(LiveCall& call);
// "/feeds/search.php?show=%22…%22"
void answerTVRageSearch(LiveCall& call);
// "/feeds/episode_list.php?sid=ID" (the id is TheTVDB's)
void answerTVRageEpisodeList(LiveCall& call);

// ISO 639-2 (terminology) code of a language given by its two-letter code or its name
// ("de" → "deu"), from the language table; "eng" for none.
QString threeLetterLanguage(const QString& language);

}  // namespace zuvo::live
