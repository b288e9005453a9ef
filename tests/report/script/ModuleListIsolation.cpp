// The binding-module list is process-wide: every test starts with it empty and registers the
// modules it needs in its own SetUp, so that a module one test registers never changes what
// another test's script sees when the binary runs whole.
#include <gtest/gtest.h>

#include "report/script/sc_iinterpreter.h"

namespace {

class EmptyModuleListPerTest : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    if (std::vector<TscRTTIModuleClass>* L = ScriptModuleList()) L->clear();
  }
};

// Registered before main runs the tests (gtest_main only calls InitGoogleTest and RUN_ALL_TESTS).
const bool GRegistered = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new EmptyModuleListPerTest);
  return true;
}();

} // namespace
