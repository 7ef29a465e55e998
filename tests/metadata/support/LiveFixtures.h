#pragma once
// Answers of today's services for a few shows, routed onto a loopback server in the
// services' JSON shapes, as the look-up tests need them whole.
#include "metadata/support/LiveServiceSupport.h"

namespace zuvo::test {

// TVmaze's Under the Dome (TheTVDB id 264492, TVmaze id 1), as a look-up without a TheTVDB
// key asks for it, with a second hit that has no TheTVDB id and a third whose id does not
// fit 32 bits; the season 1 picture is red, the show's poster blue.
inline void routeUnderTheDome(LoopbackHttpServer& server) {
  const QByteArray base = server.baseURL().toUtf8();
  auto json = [&](const QByteArray& target, QByteArray body) {
    server.route(target, jsonAnswer(body.replace("{base}", base)));
  };
  json("/search/shows?q=under%20the%20dome", R"([
    {"score":0.9,"show":{"id":1,"name":"Under the Dome","genres":["Drama","Science-Fiction","Thriller"],
     "premiered":"2013-06-24","externals":{"tvrage":25988,"thetvdb":264492,"imdb":"tt1553656"},
     "image":{"medium":"{base}/img/poster-m.jpg","original":"{base}/img/poster.jpg"},
     "summary":"<p><b>Under the Dome</b> is the story of a small town</p>"}},
    {"score":0.5,"show":{"id":77,"name":"Under the Dome: Behind","externals":{"tvrage":null,"thetvdb":null}}},
    {"score":0.4,"show":{"id":78,"name":"Under the Domes","externals":{"thetvdb":4294967297}}}])");
  server.route("/lookup/shows?thetvdb=264492", redirectAnswer(QString::fromUtf8(base) + "/shows/1"));
  json("/shows/1", R"({"id":1,"name":"Under the Dome","genres":["Drama","Science-Fiction","Thriller"],
     "externals":{"thetvdb":264492},"image":{"medium":"{base}/img/poster-m.jpg","original":"{base}/img/poster.jpg"}})");
  json("/shows/1/episodes", R"([
    {"season":1,"number":1,"name":"Pilot","airdate":"2013-06-24","rating":{"average":7},
     "summary":"<p>When the residents of Chester&#39;s Mill find themselves trapped &amp; cut off,</p>\n<p>a <i>dôme</i> &quot;appears&quot; &lt;suddenly&gt;.</p>"},
    {"season":1,"number":2,"name":"The Fire","airdate":"2013-07-01","summary":"<p>Big Jim &amp; Barbie.</p>"},
    {"season":1,"number":null,"name":"Inside the Dome","airdate":"2013-07-02","summary":null},
    {"season":2,"number":1,"name":"Heads Will Roll","airdate":"2014-06-30","summary":""}])");
  json("/shows/1/cast", R"([
    {"person":{"name":"Mike Vogel"},"character":{"name":"Dale \"Barbie\" Barbara"}},
    {"person":{"name":"Rachelle Lefevre"},"character":{"name":"Julia Shumway"}}])");
  json("/shows/1/seasons", R"([
    {"id":1,"number":1,"image":{"medium":"{base}/img/s1-m.jpg","original":"{base}/img/s1.jpg"}},
    {"id":2,"number":2,"image":null}])");
  server.route("/img/s1.jpg", pictureAnswer(Qt::red));
  server.route("/img/poster.jpg", pictureAnswer(Qt::blue));
}

}  // namespace zuvo::test
