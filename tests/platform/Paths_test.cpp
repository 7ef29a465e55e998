#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "support/TestSupport.h"

using namespace zuvo;

namespace {
using test::ScopedEnv;

QString executable(const QString& path) {
  test::writeFile(path, "#!/bin/sh\nexit 0\n");
  QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
  return path;
}
}  // namespace

TEST(Paths, FoldersFollowTheXdgVariablesAndFallBackUnderHome) {
  const QString home = test::testHome();
  EXPECT_EQ(paths::homeFolder(), home);
  EXPECT_EQ(paths::applicationSupportFolder(), home + "/.local/share/Zuvo");
  EXPECT_EQ(paths::defaultCacheFolder(), home + "/.cache/org.zuvo.Zuvo");
  EXPECT_EQ(paths::settingsFile(), home + "/.config/Zuvo/Zuvo.conf");
  {
    const ScopedEnv data("XDG_DATA_HOME", "/srv/data");
    const ScopedEnv cache("XDG_CACHE_HOME", "/srv/cache");
    const ScopedEnv config("XDG_CONFIG_HOME", "/srv/config");
    EXPECT_EQ(paths::applicationSupportFolder(), "/srv/data/Zuvo");
    EXPECT_EQ(paths::defaultCacheFolder(), "/srv/cache/org.zuvo.Zuvo");
    EXPECT_EQ(paths::settingsFile(), "/srv/config/Zuvo/Zuvo.conf");
  }
  {
    const ScopedEnv data("XDG_DATA_HOME", QByteArray());
    const ScopedEnv cache("XDG_CACHE_HOME", QByteArray());
    const ScopedEnv config("XDG_CONFIG_HOME", QByteArray());
    EXPECT_EQ(paths::applicationSupportFolder(), home + "/.local/share/Zuvo");
    EXPECT_EQ(paths::defaultCacheFolder(), home + "/.cache/org.zuvo.Zuvo");
    EXPECT_EQ(paths::settingsFile(), home + "/.config/Zuvo/Zuvo.conf");
  }
  EXPECT_TRUE(paths::moviesFolder().startsWith(home + "/")) << paths::moviesFolder().toStdString();
  EXPECT_TRUE(paths::desktopFolder().startsWith(home + "/")) << paths::desktopFolder().toStdString();
}

TEST(Paths, ResourcesAndToolsAreFoundInTheirRoots) {
  const QString share = test::freshFolder("share");
  const QString libexec = test::freshFolder("libexec");
  paths::setResourceRoots(share, libexec);
  EXPECT_EQ(paths::resourcePath("images/Icon.png"), share + "/images/Icon.png");

  // Ours wins over the system's program of the same name; without ours, PATH answers.
  const QString system = paths::toolPath("sh");
  EXPECT_FALSE(system.isEmpty());
  EXPECT_FALSE(system.startsWith(libexec));
  const QString ours = executable(libexec + "/sh");
  EXPECT_EQ(paths::toolPath("sh"), ours);
  // A file that cannot be run is no tool.
  test::writeFile(libexec + "/notrunnable", "data");
  EXPECT_EQ(paths::toolPath("notrunnable"), QString());
  EXPECT_EQ(paths::toolPath("no-such-tool-anywhere"), QString());

  paths::setResourceRoots(QString(), QString());
  EXPECT_TRUE(paths::resourcePath("x").endsWith("/share/zuvo/x")) << paths::resourcePath("x").toStdString();
}
