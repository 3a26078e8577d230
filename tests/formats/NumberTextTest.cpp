// Numbers written as text: the readers' quick path for plain decimals must give what the general
// reader gives, to the last bit, for doubles (STL, PLY, OFF) and for singles (OBJ).
#include "NumberText.h"
#include "ModelFiles.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {
namespace number_text_test {

using namespace Plexa3DFormats;

// Numbers at the quick path's edges, then plain decimals of every length, point and exponent.
std::vector<std::string> Tokens() {
    std::vector<std::string> tokens = {
        "", "-", "+", ".", "0", "-0", "-0.0", "+7", "007", ".5", "5.", "1e22", "1e23", "1e-22",
        "1e-23", "1.5E+3", "123456789012345", "1234567890123456", "44444444444444444444444444440.5",
        "0.000000000000001", "9007199254740993", "16777217", "16777219", "3.4028235e38", "1e0004",
        "1e00004", "1.5e", "1.5e+", "1..5",
        // 15 digits whose nearest double lies halfway between two singles, while they do not:
        // rounding twice gives the wrong single.
        "8.86363722383976e-02", "2.48281387030147e-04", "3.08123966678977e-02",
        "3.84898092597723e-02", "1.64230506925378e-04"};
    std::mt19937 random(27);
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + int(random() % 18);
        std::string token = random() % 4 == 0 ? "-" : "";
        const int point = int(random() % std::uint32_t(digits + 2)) - 1; // -1: none
        for (int d = 0; d < digits; ++d) {
            token += d == point ? "." : "";
            token += char('0' + random() % 10);
        }
        if (random() % 3 == 0) {
            token += "e" + std::to_string(int(random() % 51) - 25);
        }
        tokens.push_back(token);
    }
    return tokens;
}

TEST(NumberText, PlainDecimalsReadAsTheGeneralReaderReadsThem) {
    double none = 0;
    EXPECT_FALSE(NumberText::ParseDouble(std::string_view{}, none));
    for (const std::string& token : Tokens()) {
        SCOPED_TRACE(token);
        double quick = -1;
        double general = -1;
        EXPECT_EQ(NumberText::ParseDouble(token, quick),
                  NumberText::ParseDoubleGeneral(token, general));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(quick), std::bit_cast<std::uint64_t>(general));
    }
}

// An OBJ file of the tokens as coordinates, a face over each three vertices, read whole: each
// coordinate is the single nearest its text.
TEST(NumberText, ObjCoordinatesAreTheSinglesNearestTheirText) {
    std::vector<std::string> tokens;
    for (const std::string& token : Tokens()) {
        float value = 0;
        const char* end = token.data() + token.size();
        const char* digits = token.data() + (token[0] == '-' ? 1 : 0);
        const auto [stop, error] = std::from_chars(digits, end, value);
        if (stop == end && error == std::errc{} && value != 0 && std::isfinite(value)) {
            tokens.push_back(token);
        }
    }
    tokens.resize(tokens.size() / 9 * 9);
    std::string text;
    for (std::size_t i = 0; i < tokens.size(); i += 3) {
        text += "v " + tokens[i] + " " + tokens[i + 1] + " " + tokens[i + 2] + "\n";
    }
    for (std::size_t v = 1; v <= tokens.size() / 3; v += 3) {
        text += "f " + std::to_string(v) + " " + std::to_string(v + 1) + " " +
                std::to_string(v + 2) + "\n";
    }
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    const TModelSource source{"numbers.obj", bytes,
                              [](const std::string&, std::size_t) { return TCompanion{}; }};
    ZuveloGraphLibrary::TObject3D object;
    ZuveloGraphLibrary::TModelLooks looks;
    ReadModelSourceAs(TModelFormat::Obj, source, TModelPart::Whole, object, looks);
    ASSERT_EQ(std::size_t(object.VertexCount), tokens.size() / 3);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        SCOPED_TRACE(tokens[i]);
        const ZuveloGraphLibrary::TPoint3D& p = object.Vertices[std::int32_t(i / 3 + 1)];
        const float read = i % 3 == 0 ? p.X : (i % 3 == 1 ? p.Y : p.Z);
        float expected = 0;
        const char* digits = tokens[i].data() + (tokens[i][0] == '-' ? 1 : 0);
        std::from_chars(digits, tokens[i].data() + tokens[i].size(), expected);
        expected = tokens[i][0] == '-' ? -expected : expected;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(read), std::bit_cast<std::uint32_t>(expected));
    }
}

// OBJ's indices: every length of digits, zeros before them, signs, and each byte after them that
// a digit test could take for one (those just below '0' and above '9', and those of FA or more,
// whose sum carries), read by the quick reader as the reader of one digit at a time reads them,
// with the text ending anywhere.
TEST(NumberText, IndicesReadAsDigitByDigit) {
    std::vector<std::string> numbers = {"",
                                        "+",
                                        "-",
                                        "0",
                                        "-0",
                                        "000000007",
                                        "1099511627776",
                                        "1099511627777",
                                        "99999999999999999999999"};
    std::mt19937 random(28);
    for (int digits = 1; digits <= 14; ++digits) {
        for (int i = 0; i < 40; ++i) {
            std::string number = i % 5 == 0 ? "-" : (i % 7 == 0 ? "+" : "");
            for (int d = 0; d < digits; ++d) {
                number += char('0' + (d == 0 && i % 3 == 0 ? 0 : random() % 10));
            }
            numbers.push_back(number);
        }
    }
    const std::string after[] = {
        "", " ", "/", "/12/3", ":", "#", "\xFA", "\xFF", std::string(1, '\0'), "a7", "        "};
    for (const std::string& number : numbers) {
        for (const std::string& tail : after) {
            for (const char* filler : {"999999999", "_________"}) {
                const std::string text = number + tail + filler;
                for (std::size_t size = number.size(); size <= text.size(); ++size) {
                    SCOPED_TRACE(text.substr(0, size));
                    const char* end = text.data() + size;
                    std::int64_t quick = -7;
                    std::int64_t slow = -7;
                    EXPECT_EQ(NumberText::ReadIndex(text.data(), end, quick) - text.data(),
                              NumberText::ReadIndexByDigits(text.data(), end, slow) - text.data());
                    EXPECT_EQ(quick, slow);
                }
            }
        }
    }
}

} // namespace number_text_test
} // namespace
