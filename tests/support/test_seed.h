// The seed of a test that draws at random: VEYR_TEST_SEED replays a run,
// otherwise a fresh one. It is printed, so a failure can be replayed.
#pragma once

#include <cstdlib>
#include <iostream>
#include <random>
#include <string>

namespace testing_support {

inline unsigned TestSeed() {
  const char* given = std::getenv("VEYR_TEST_SEED");
  const unsigned seed = given ? static_cast<unsigned>(std::stoul(given)) : std::random_device()();
  std::cout << "random seed " << seed << " (replay with VEYR_TEST_SEED=" << seed << ")\n";
  return seed;
}

}  // namespace testing_support
