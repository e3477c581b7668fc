#include "run/format.hpp"
#include <gtest/gtest.h>
TEST(Format, Placeholder) { EXPECT_EQ(interseccao::formatReal(0.0123, 5, 3), "0.012"); }
