// The build number of a file's version resource.
#include "os/file_version.h"

#include <gtest/gtest.h>

#include "scenario.h"

namespace qv {
namespace {

using FileVersion = sim::Scenario;

TEST_F(FileVersion, BuildNumberIsTheFourthProductVersionNumber) {
  sim.AddFile(L"C:\\a\\versioned.dll", "x", 2629);
  EXPECT_EQ(QueryFileBuildNumber(L"C:\\a\\versioned.dll"), 2629);
  EXPECT_EQ(QueryFileBuildNumber(L"C:\\a\\missing.dll"), -1);
  for (const char* failing : {"GetFileVersionInfoW", "VerQueryValueW"}) {
    sim.FailNext(failing, 1, ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_EQ(QueryFileBuildNumber(L"C:\\a\\versioned.dll"), -1) << failing;
  }
  ExpectAllReleased();
}

}  // namespace
}  // namespace qv
