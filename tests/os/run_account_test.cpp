// Whose run this is: LocalSystem in any session, and any account in session 0, deploys.
#include "os/run_account.h"

#include <gtest/gtest.h>

#include "scenario.h"

namespace qv::sim {
namespace {

TEST(RunAccountTest, LocalSystemOrSessionZeroIsADeploymentAccount) {
  SimWindows sim;
  ScopedWindowsApi scope{sim};
  EXPECT_FALSE(RunsAsDeploymentAccount());  // a person's elevated run in session 1
  sim.account = SimAccount::kSystem;        // a tool's interactive run as LocalSystem
  EXPECT_TRUE(RunsAsDeploymentAccount());
  sim.account = SimAccount::kAdministrator;
  sim.sessionId = 0;
  EXPECT_TRUE(RunsAsDeploymentAccount());
}

}  // namespace
}  // namespace qv::sim
