#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <set>
#include <string>

namespace rastrel {
namespace {

TEST(RandomIntegers, StaysInsideTheBoundsAndReachesEveryValue) {
  RandomIntegers random(42);
  std::set<std::int64_t> seen;
  for (int i = 0; i < 2000; ++i) {
    const std::int64_t v = random.Between(-3, 3);
    ASSERT_GE(v, -3);
    ASSERT_LE(v, 3);
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 7u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(random.Between(9, 9), 9);
  for (int i = 0; i < 100; ++i) {
    const std::int64_t v = random.Between(10, 1);  // bounds in either order
    EXPECT_TRUE(v >= 1 && v <= 10) << v;
  }
}

TEST(RandomIntegers, GeneratorsAreIndependent) {
  RandomIntegers a(7);
  RandomIntegers b(7);
  RandomIntegers c;
  RandomIntegers d;
  bool differ = false;
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(a.Between(0, 1'000'000), b.Between(0, 1'000'000));
    differ = differ || c.Between(0, 1'000'000'000) != d.Between(0, 1'000'000'000);
  }
  EXPECT_TRUE(differ) << "two entropy-seeded generators produced the same sequence";
}

TEST(LocalDateTime, ReadsTheMomentInTheLocalZone) {
  const char* old = std::getenv("TZ");
  const std::string saved = old != nullptr ? old : "";
  const std::int64_t moment = 1'700'000'000;  // 2023-11-14 22:13:20 UTC

  const struct {
    const char* zone;
    LocalDateTime expected;
  } cases[] = {
      {"UTC0", {2023, 11, 14, 22, 13, 20}},
      {"EST5", {2023, 11, 14, 17, 13, 20}},
      {"JST-9", {2023, 11, 15, 7, 13, 20}},  // crosses midnight
  };
  for (const auto& c : cases) {
    ::setenv("TZ", c.zone, 1);
    ::tzset();
    const LocalDateTime t = ToLocalDateTime(moment);
    EXPECT_EQ(t.year, c.expected.year) << c.zone;
    EXPECT_EQ(t.month, c.expected.month) << c.zone;
    EXPECT_EQ(t.day, c.expected.day) << c.zone;
    EXPECT_EQ(t.hour, c.expected.hour) << c.zone;
    EXPECT_EQ(t.minute, c.expected.minute) << c.zone;
    EXPECT_EQ(t.second, c.expected.second) << c.zone;
  }

  if (old != nullptr) {
    ::setenv("TZ", saved.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
}

}  // namespace
}  // namespace rastrel
