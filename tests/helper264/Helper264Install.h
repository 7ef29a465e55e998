#pragma once
// A copy of the built helper in a folder of its own, with or without the test framework
// plug-in beside it.
#include <QString>

namespace zuvo::test {

// The folder holding "Zuvo264Helper" (and "Turbo264.so" when `withFramework`).
QString installHelper264(bool withFramework);

}  // namespace zuvo::test
