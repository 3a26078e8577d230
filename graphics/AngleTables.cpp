#include "AngleTables.h"

#include <cmath>

namespace ZuveloGraphLibrary {

std::array<double, TrigTableSize> SinTable{};
std::array<double, TrigTableSize> CosTable{};

namespace {

constexpr long double TenDigitPi = 3.141592654L;

long double DegToRadExtended(long double degrees) {
    return (TenDigitPi * degrees) / 180.0L;
}

// The tables are filled before main() runs, and so before any window exists.
const bool TablesBuilt = (BuildTrigTables(), true);

} // namespace

double DegToRad(double degrees) {
    return static_cast<double>(DegToRadExtended(degrees));
}

void BuildTrigTables() {
    for (int i = 0; i < TrigTableSize; ++i) {
        // Each entry takes the radian value rounded to double, as a stored DegToRad result.
        const long double radians = DegToRad(i);
        SinTable[i] = static_cast<double>(sinl(radians));
        CosTable[i] = static_cast<double>(cosl(radians));
    }
}

} // namespace ZuveloGraphLibrary
