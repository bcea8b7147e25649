// Each math build exports exactly the 31 math functions, and every one of them resolves.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "_Numa.h"

namespace {

std::set<std::string> ExpectedNames() {
  std::set<std::string> names;
#define NUMA_TEST_NAME(ret, fn, params) names.insert(#fn);
  ZELT_MATH_FUNCTIONS(NUMA_TEST_NAME)
#undef NUMA_TEST_NAME
  return names;
}

class Exports : public ::testing::TestWithParam<const char*> {};

TEST_P(Exports, DynamicSymbolTableHoldsExactlyTheMathFunctions) {
  const std::string lib = BinPath(std::string("lib") + GetParam() + ".so");
  const std::string listing = std::string("numa_exports_") + GetParam() + ".txt";
  const std::string command = "nm -D --defined-only '" + lib + "' > '" + listing + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  std::ifstream in(listing);
  std::set<std::string> found;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string field, last;
    while (fields >> field) last = field;
    if (!last.empty()) found.insert(last);
  }
  std::remove(listing.c_str());

  const std::set<std::string> expected = ExpectedNames();
  ASSERT_EQ(expected.size(), static_cast<size_t>(ZELT_MATH_FUNCTION_COUNT));
  for (const auto& name : found) EXPECT_TRUE(expected.count(name)) << "unexpected export " << name;
  for (const auto& name : expected) EXPECT_TRUE(found.count(name)) << "missing export " << name;
}

TEST_P(Exports, EveryFunctionResolvesThroughDlopen) {
  std::string error;
  const NumaLib* lib = LoadNuma(GetParam(), &error);
  ASSERT_NE(lib, nullptr) << error;
}

INSTANTIATE_TEST_SUITE_P(Builds, Exports, ::testing::Values("numa5", "numa6", "numa6k"));

}  // namespace
