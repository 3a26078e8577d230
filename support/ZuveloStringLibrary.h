// String helpers. Positions are counted from 1; characters are single bytes.
#pragma once

#include <string>

namespace ZuveloStringLibrary {

// The characters of S from position Start to Finish, both included; Finish is clamped to the
// length of S. A Start below 1 or past Finish gives an empty string.
std::string CopyRange(const std::string& S, long long Start, long long Finish);

// True for the characters "0" to "9".
bool IsDigit(char C);

// True when S has at least one character and every character is a digit.
bool IsNumber(const std::string& S);

} // namespace ZuveloStringLibrary
