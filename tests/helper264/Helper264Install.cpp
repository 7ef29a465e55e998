#include "Helper264Install.h"

#include <gtest/gtest.h>

#include <QFile>

#include "support/TestSupport.h"

namespace zuvo::test {

QString installHelper264(bool withFramework) {
  const QString folder = freshFolder(withFramework ? "helper-with-framework" : "helper-alone");
  EXPECT_TRUE(QFile::copy(ZUVO_HELPER264, folder + "/Zuvo264Helper"));
  if (withFramework) {
    EXPECT_TRUE(QFile::copy(ZUVO_FAKE_TURBO264, folder + "/Turbo264.so"));
  }
  return folder;
}

}  // namespace zuvo::test
