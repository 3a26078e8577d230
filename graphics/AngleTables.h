// Sine and cosine of every whole degree from 0 to 360, so that a rotation costs two table reads.
#pragma once

#include <array>

namespace ZuveloGraphLibrary {

inline constexpr int TrigTableSize = 361;

// Built once when the program starts, read-only afterwards. Index 360 is an entry of its own.
extern std::array<double, TrigTableSize> SinTable;
extern std::array<double, TrigTableSize> CosTable;

// (3.141592654 x degrees) / 180 in extended precision, rounded to double. Pi is deliberately the
// ten-digit value, so the tables carry its small offsets (CosTable[90] is about -2.05e-10).
double DegToRad(double degrees);

void BuildTrigTables();

} // namespace ZuveloGraphLibrary
