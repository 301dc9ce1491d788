#ifndef LOGVANE_TESTS_SUPPORT_LONG_SWEEP_H_
#define LOGVANE_TESTS_SUPPORT_LONG_SWEEP_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace logvane {

/// Whether LOGVANE_LONG_TESTS=1 asks for the long sweeps, which stay out of
/// the default run.
inline bool long_sweeps_wanted() {
  const char* const wanted = std::getenv("LOGVANE_LONG_TESTS");
  return wanted != nullptr && std::string(wanted) == "1";
}

}  // namespace logvane

/// Ends the calling test as skipped unless the long sweeps are wanted.
#define SKIP_UNLESS_LONG_SWEEPS()               \
  if (!::logvane::long_sweeps_wanted())         \
  GTEST_SKIP() << "set LOGVANE_LONG_TESTS=1 for the long sweep"

#endif  // LOGVANE_TESTS_SUPPORT_LONG_SWEEP_H_
