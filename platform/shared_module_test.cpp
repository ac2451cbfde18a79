#include "platform/shared_module.h"

#include <gtest/gtest.h>

#include <utility>

namespace rastrel {
namespace {

TEST(SharedModule, LoadsOnDemandAndFindsExportedFunctions) {
  SharedModule zlib("libz.so.1");
  ASSERT_TRUE(zlib.loaded()) << zlib.error();
  using VersionFn = const char* (*)();
  const auto version = reinterpret_cast<VersionFn>(zlib.Symbol("zlibVersion"));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version()[0], '1');
  EXPECT_EQ(zlib.Symbol("no_such_function_here"), nullptr);

  SharedModule moved = std::move(zlib);
  EXPECT_FALSE(zlib.loaded());  // NOLINT(bugprone-use-after-move): ownership moved
  EXPECT_EQ(zlib.Symbol("zlibVersion"), nullptr);
  EXPECT_NE(moved.Symbol("zlibVersion"), nullptr);
}

TEST(SharedModule, MissingModuleReportsWhy) {
  const SharedModule missing("/nonexistent/librastrel_nothing.so");
  EXPECT_FALSE(missing.loaded());
  EXPECT_NE(missing.error().find("librastrel_nothing"), std::string::npos) << missing.error();
  EXPECT_EQ(missing.Symbol("anything"), nullptr);
}

}  // namespace
}  // namespace rastrel
