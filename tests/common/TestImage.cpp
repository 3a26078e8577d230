#include "TestImage.h"

#include <cstring>
#include <fstream>
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

std::ptrdiff_t PaddedRow(std::int32_t width) {
    return (3 * std::ptrdiff_t(width) + 4) / 4 * 4;
}

void PutLE(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

} // namespace

TTestImage::TTestImage(std::int32_t width, std::int32_t height, TColorRGB background)
    : background_(background) {
    const std::ptrdiff_t row = PaddedRow(width);
    bytes_.assign(static_cast<std::size_t>(row * std::max(height, 1)), PaddingMarker);
    view_ = {bytes_.data(), row, width, height};
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            Set(x, y, background);
        }
    }
}

TTestImage::TTestImage(const TTestImage& other)
    : bytes_(other.bytes_), view_(other.view_), background_(other.background_) {
    view_.Bits = bytes_.data();
}

TTestImage& TTestImage::operator=(const TTestImage& other) {
    bytes_ = other.bytes_;
    view_ = other.view_;
    view_.Bits = bytes_.data();
    background_ = other.background_;
    return *this;
}

TColorRGB TTestImage::At(std::int32_t x, std::int32_t y) const {
    const std::uint8_t* p = view_.ScanLine(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

void TTestImage::Set(std::int32_t x, std::int32_t y, TColorRGB color) {
    std::uint8_t* p = view_.ScanLine(y) + 3 * x;
    p[0] = color.B;
    p[1] = color.G;
    p[2] = color.R;
}

bool TTestImage::PaddingIntact() const {
    for (std::int32_t y = 0; y < std::max(view_.Height, 1); ++y) {
        const std::uint8_t* row = bytes_.data() + y * view_.BytesPerLine;
        for (std::ptrdiff_t i = 3 * std::ptrdiff_t(view_.Width); i < view_.BytesPerLine; ++i) {
            if (row[i] != PaddingMarker) {
                return false;
            }
        }
    }
    return true;
}

std::vector<TPixel> TTestImage::Marked() const {
    std::vector<TPixel> marked;
    for (std::int32_t y = 0; y < view_.Height; ++y) {
        for (std::int32_t x = 0; x < view_.Width; ++x) {
            if (At(x, y) != background_) {
                marked.push_back({x, y, At(x, y)});
            }
        }
    }
    return marked;
}

bool TTestImage::SameBytes(const TTestImage& other) const {
    return view_.Width == other.view_.Width && view_.Height == other.view_.Height &&
           bytes_ == other.bytes_;
}

std::string TTestImage::SaveBmp(const std::string& name) const {
    const std::string path = std::string(PLEXA3D_TEST_OUTPUT_DIR) + "/" + name + ".bmp";
    std::ofstream out(path, std::ios::binary);
    const auto row = static_cast<std::uint32_t>((3 * view_.Width + 3) / 4 * 4); // .bmp row size
    const std::uint32_t data = row * static_cast<std::uint32_t>(view_.Height);
    out.write("BM", 2);
    PutLE(out, 54 + data, 4);
    PutLE(out, 0, 4);
    PutLE(out, 54, 4);
    PutLE(out, 40, 4);
    PutLE(out, static_cast<std::uint32_t>(view_.Width), 4);
    PutLE(out, static_cast<std::uint32_t>(view_.Height), 4);
    PutLE(out, 1, 2);
    PutLE(out, 24, 2);
    for (int i = 0; i < 6; ++i) {
        PutLE(out, 0, 4);
    }
    std::vector<char> line(row, 0);
    for (std::int32_t y = view_.Height - 1; y >= 0; --y) {
        std::memcpy(line.data(), view_.ScanLine(y), 3 * std::size_t(view_.Width));
        out.write(line.data(), static_cast<std::streamsize>(row));
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
