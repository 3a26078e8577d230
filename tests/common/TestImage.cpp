#include "TestImage.h"

#include "GraphErrors.h"

#include <algorithm>
#include <map>
#include <sstream>

namespace ZuveloGraphLibrary {

std::ostream& operator<<(std::ostream& out, TColorRGB c) {
    return out << "(" << int(c.R) << ", " << int(c.G) << ", " << int(c.B) << ")";
}

} // namespace ZuveloGraphLibrary

namespace Plexa3DTest {

using ZuveloGraphLibrary::TColorRGB;

namespace {

constexpr std::uint8_t PaddingMarker = 0xA5;

} // namespace

TTestImage::TTestImage(std::int32_t width, std::int32_t height, TColorRGB background)
    : buffer_(width, height, background, {1, PaddingMarker}), background_(background) {}

bool TTestImage::PaddingIntact() const {
    const auto bytes = buffer_.Bytes();
    const std::ptrdiff_t row = View().BytesPerLine;
    for (std::int32_t y = 0; y < std::max(Height(), 1); ++y) {
        for (std::ptrdiff_t i = 3 * std::ptrdiff_t(Width()); i < row; ++i) {
            if (bytes[std::size_t(y * row + i)] != PaddingMarker) {
                return false;
            }
        }
    }
    return true;
}

std::vector<TPixel> TTestImage::Marked() const {
    std::vector<TPixel> marked;
    for (std::int32_t y = 0; y < Height(); ++y) {
        for (std::int32_t x = 0; x < Width(); ++x) {
            if (At(x, y) != background_) {
                marked.push_back({x, y, At(x, y)});
            }
        }
    }
    return marked;
}

bool TTestImage::SameBytes(const TTestImage& other) const {
    return Width() == other.Width() && Height() == other.Height() &&
           std::ranges::equal(buffer_.Bytes(), other.buffer_.Bytes());
}

std::string TTestImage::SaveBmp(const std::string& name) const {
    const std::string path = std::string(PLEXA3D_TEST_OUTPUT_DIR) + "/" + name + ".bmp";
    try {
        buffer_.SaveBmp(path);
    } catch (const ZuveloGraphLibrary::RuntimeError&) {
        return path + " (could not be written)";
    }
    return path;
}

std::string CurrentTestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "image";
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    return name;
}

::testing::AssertionResult ImageIs(const TTestImage& image, const std::vector<TPixel>& expected) {
    std::map<std::pair<std::int32_t, std::int32_t>, TColorRGB> want;
    for (const TPixel& p : expected) {
        want[{p.Y, p.X}] = p.Color;
    }
    std::ostringstream problems;
    int count = 0;
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        for (std::int32_t x = 0; x < image.Width(); ++x) {
            const auto it = want.find({y, x});
            const TColorRGB expect = it == want.end() ? image.Background() : it->second;
            if (image.At(x, y) != expect && ++count <= 12) {
                problems << "\n  (" << x << ", " << y << "): " << image.At(x, y) << " instead of "
                         << expect;
            }
        }
    }
    if (!image.PaddingIntact()) {
        problems << "\n  row padding was written";
        ++count;
    }
    if (count == 0) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << count << " wrong pixels; actual image saved as "
                                         << image.SaveBmp(CurrentTestName()) << problems.str();
}

::testing::AssertionResult ImagesEqual(const TTestImage& actual, const TTestImage& expected) {
    if (actual.SameBytes(expected)) {
        return ::testing::AssertionSuccess();
    }
    const std::string name = CurrentTestName();
    return ::testing::AssertionFailure()
           << "images differ; actual saved as " << actual.SaveBmp(name + ".actual")
           << ", expected as " << expected.SaveBmp(name + ".expected");
}

} // namespace Plexa3DTest
