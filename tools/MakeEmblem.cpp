// Draws the program's emblem and its application icon:
//
//   make_emblem <emblem.bmp> <icons folder>
//
// The emblem is an 80 x 88 24-bit BMP shown in the "about" windows: a wireframe icosahedron over
// a light background with the letters "P3D" beneath it. The icons are the same picture drawn
// afresh at 48, 128 and 256 pixels (lines thicken with the size instead of being scaled) and saved
// as <icons folder>/hicolor/<n>x<n>/apps/plexa3d.png with transparent rounded corners.
#include "ImageBuffer.h"
#include "RasterCanvas.h"

#include <QImage>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using ZuveloGraphLibrary::TColorRGB;
using ZuveloGraphLibrary::TImageBuffer;
using ZuveloGraphLibrary::TImageView;

constexpr TColorRGB Paper{238, 238, 230};
constexpr TColorRGB FrontInk{28, 58, 128};
constexpr TColorRGB BackInk{170, 180, 204};
constexpr TColorRGB LetterInk{168, 36, 36};
constexpr TColorRGB IconRim{120, 128, 150};

// Where the parts of the picture go, in pixels.
struct TLayout {
    double CentreX, CentreY, Radius; // the icosahedron's circumscribed circle
    double LetterUnit;               // a letter is 4 x 6 units
    double LetterTop;
    int Stroke; // width of the front edges and letters
};

struct TVec {
    double X, Y, Z;
};

// The twelve vertices (0, +-1, +-phi) and their cyclic permutations.
std::vector<TVec> IcosahedronVertices() {
    const double phi = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<TVec> v;
    for (double a : {-1.0, 1.0}) {
        for (double b : {-phi, phi}) {
            v.push_back({0, a, b});
            v.push_back({a, b, 0});
            v.push_back({b, 0, a});
        }
    }
    return v;
}

double Distance2(TVec a, TVec b) {
    return (a.X - b.X) * (a.X - b.X) + (a.Y - b.Y) * (a.Y - b.Y) + (a.Z - b.Z) * (a.Z - b.Z);
}

bool Adjacent(const std::vector<TVec>& v, int i, int j) {
    return std::abs(Distance2(v[i], v[j]) - 4.0) < 1e-9; // edges are 2 long
}

// A slight turn about the vertical axis, then a tilt towards the viewer, so that the solid shows
// depth instead of a flat symmetric outline.
TVec Turn(TVec p) {
    const double yaw = 0.35;
    const double pitch = 0.30;
    const TVec a{p.X * std::cos(yaw) + p.Z * std::sin(yaw), p.Y,
                 -p.X * std::sin(yaw) + p.Z * std::cos(yaw)};
    return {a.X, a.Y * std::cos(pitch) - a.Z * std::sin(pitch),
            a.Y * std::sin(pitch) + a.Z * std::cos(pitch)};
}

// An edge is seen when either of its two triangles faces the viewer (+Z); for a solid centred
// on the origin a triangle faces the viewer when its centre does.
bool EdgeFacesViewer(const std::vector<TVec>& v, int i, int j) {
    for (int k = 0; k < int(v.size()); ++k) {
        if (k != i && k != j && Adjacent(v, i, k) && Adjacent(v, j, k) &&
            v[i].Z + v[j].Z + v[k].Z > 0) {
            return true;
        }
    }
    return false;
}

// A line of the given width: the one-pixel line repeated under a square brush.
void ThickLine(const TImageView& image, double x1, double y1, double x2, double y2, int width,
               TColorRGB c) {
    const int from = -(width - 1) / 2;
    for (int dy = from; dy < from + width; ++dy) {
        for (int dx = from; dx < from + width; ++dx) {
            ZuveloGraphLibrary::DrawLine(image, int(std::lround(x1)) + dx,
                                         int(std::lround(y1)) + dy, int(std::lround(x2)) + dx,
                                         int(std::lround(y2)) + dy, c.R, c.G, c.B);
        }
    }
}

void DrawIcosahedron(const TImageView& image, const TLayout& layout) {
    std::vector<TVec> v = IcosahedronVertices();
    const double scale = layout.Radius / std::sqrt(Distance2(v[0], {0, 0, 0}));
    for (TVec& p : v) {
        p = Turn(p);
    }
    const auto sx = [&](int i) { return layout.CentreX + scale * v[i].X; };
    const auto sy = [&](int i) { return layout.CentreY - scale * v[i].Y; };
    // Hidden edges first, thin and pale, so that the visible ones are drawn over them.
    for (bool front : {false, true}) {
        for (int i = 0; i < int(v.size()); ++i) {
            for (int j = i + 1; j < int(v.size()); ++j) {
                if (Adjacent(v, i, j) && EdgeFacesViewer(v, i, j) == front) {
                    ThickLine(image, sx(i), sy(i), sx(j), sy(j),
                              front ? layout.Stroke : std::max(1, layout.Stroke / 2),
                              front ? FrontInk : BackInk);
                }
            }
        }
    }
}

// The letters as strokes on a 4 x 6 grid, row 0 at the top.
using TStroke = std::vector<std::array<int, 2>>;
const std::vector<std::vector<TStroke>> Letters = {
    {{{0, 6}, {0, 0}, {3, 0}, {4, 1}, {4, 2}, {3, 3}, {0, 3}}},
    {{{0, 0}, {3, 0}, {4, 1}, {4, 2}, {3, 3}, {1, 3}}, {{3, 3}, {4, 4}, {4, 5}, {3, 6}, {0, 6}}},
    {{{0, 0}, {2, 0}, {4, 2}, {4, 4}, {2, 6}, {0, 6}, {0, 0}}},
};

void DrawLetters(const TImageView& image, const TLayout& layout) {
    const double unit = layout.LetterUnit;
    const double advance = 6 * unit; // 4 units of letter, 2 of space
    const double left = layout.CentreX - (3 * advance - 2 * unit) / 2;
    for (int n = 0; n < int(Letters.size()); ++n) {
        for (const TStroke& stroke : Letters[n]) {
            for (std::size_t k = 1; k < stroke.size(); ++k) {
                ThickLine(image, left + n * advance + stroke[k - 1][0] * unit,
                          layout.LetterTop + stroke[k - 1][1] * unit,
                          left + n * advance + stroke[k][0] * unit,
                          layout.LetterTop + stroke[k][1] * unit, layout.Stroke, LetterInk);
            }
        }
    }
}

TImageBuffer DrawEmblem(int width, int height, const TLayout& layout) {
    TImageBuffer image(width, height, Paper);
    ZuveloGraphLibrary::SetClipRect(0, 0, width - 1, height - 1);
    DrawIcosahedron(image.View(), layout);
    DrawLetters(image.View(), layout);
    return image;
}

// The icon's layout follows the emblem's proportions on a square.
TLayout IconLayout(int size) {
    const int stroke = std::max(1, int(std::lround(size / 64.0)));
    return {size / 2.0, size * 0.37, size * 0.28, size / 32.0, size * 0.71, stroke};
}

// Corners outside a rounded square become transparent; a one-pixel rim marks its edge.
QImage IconImage(const TImageBuffer& picture) {
    const int size = picture.Width();
    const double radius = size / 8.0;
    QImage icon(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double cx = std::clamp(x + 0.5, radius, size - radius);
            const double cy = std::clamp(y + 0.5, radius, size - radius);
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            const TColorRGB c = d > radius - 1.0 ? IconRim : picture.At(x, y);
            icon.setPixel(x, y, d > radius ? qRgba(0, 0, 0, 0) : qRgb(c.R, c.G, c.B));
        }
    }
    return icon;
}

void SaveIcon(const std::string& folder, int size) {
    const std::string dir =
        folder + "/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
    std::filesystem::create_directories(dir);
    const QImage icon = IconImage(DrawEmblem(size, size, IconLayout(size)));
    const std::string path = dir + "/plexa3d.png";
    if (!icon.save(QString::fromStdString(path), "PNG")) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_emblem <emblem.bmp> <icons folder>\n";
        return 2;
    }
    try {
        const TLayout emblem{40.0, 37.0, 32.0, 2.0, 72.0, 1};
        DrawEmblem(80, 88, emblem).SaveBmp(argv[1]);
        for (int size : {48, 128, 256}) {
            SaveIcon(argv[2], size);
        }
    } catch (const std::exception& error) {
        std::cerr << "make_emblem: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
