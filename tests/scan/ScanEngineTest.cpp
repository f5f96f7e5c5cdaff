#include "link/ScanHarness.h"

TEST(Placeholder, Builds) {}
