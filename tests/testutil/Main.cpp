// The entry point of every test program: GoogleTest's own, except that a run in which no test
// was selected fails. A filter that matches nothing (a renamed suite, a typo in a preset) would
// otherwise pass with status 0 and turn a step into one that tests nothing.
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const int status = RUN_ALL_TESTS();
  if (::testing::GTEST_FLAG(list_tests)) return status;
  if (::testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
    std::fprintf(stderr, "No test was selected to run.\n");
    return 1;
  }
  return status;
}
