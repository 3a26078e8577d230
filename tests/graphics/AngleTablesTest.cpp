#include "AngleTables.h"

#include <gtest/gtest.h>

namespace {
namespace angle_tables_test {

using namespace ZuveloGraphLibrary;

TEST(AngleTables, PiIsTheTenDigitValue) {
    EXPECT_EQ(DegToRad(180), 3.141592654);
    EXPECT_NE(DegToRad(180), 3.141592653589793);
    EXPECT_EQ(DegToRad(90), 1.570796327);
    EXPECT_EQ(DegToRad(0), 0.0);
}

TEST(AngleTables, EntriesCarryTheOffsetsOfTheTenDigitPi) {
    // Built before main() ran: nothing in this program calls BuildTrigTables itself.
    EXPECT_EQ(SinTable[0], 0.0);
    EXPECT_EQ(CosTable[0], 1.0);
    EXPECT_DOUBLE_EQ(SinTable[90], 1.0);
    EXPECT_DOUBLE_EQ(CosTable[180], -1.0);
    // sin and cos just past the quarter turns: the angle exceeds k * pi / 2 by the excess of the
    // ten-digit pi, k/2 x 4.1020685703e-10 (as rounded to double).
    EXPECT_NEAR(CosTable[90], -2.0510342851533e-10, 1e-18);
    EXPECT_NEAR(SinTable[180], -4.1020685703066e-10, 1e-18);
    EXPECT_NEAR(CosTable[270], 6.1531028554599e-10, 1e-18);
    EXPECT_NEAR(SinTable[360], 8.2041371406132e-10, 1e-18);
    EXPECT_NE(SinTable[360], SinTable[0]); // 360 is an entry of its own
}

} // namespace angle_tables_test
} // namespace
