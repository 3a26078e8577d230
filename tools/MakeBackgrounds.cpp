// Writes the two pane backgrounds the program copies under its drawings:
//
//   make_backgrounds <output folder>     (writes bk400x300.bmp and bk800x600.bmp there)
//
// Both are a very dark blue-grey that brightens slightly towards the top, with a faint grid every
// 50 pixels. The wireframe is drawn over them in white and grey one-pixel lines and the captions
// in green, so the background stays dark and quiet: no noise, and grid lines only a few levels
// above their surroundings.
#include "ImageBuffer.h"

#include <cmath>
#include <iostream>
#include <stdexcept>
#include <string>

namespace {

using ZuveloGraphLibrary::TColorRGB;
using ZuveloGraphLibrary::TImageBuffer;

constexpr int GridStep = 50;
constexpr int GridLift = 6; // grid lines are this much brighter than the gradient beneath

struct TShade {
    double R, G, B;
};

constexpr TShade TopShade{27.0, 31.0, 40.0};
constexpr TShade BottomShade{13.0, 15.0, 21.0};

std::uint8_t Level(double value) {
    const long rounded = std::lround(value);
    return static_cast<std::uint8_t>(rounded < 0 ? 0 : rounded > 255 ? 255 : rounded);
}

// The gradient depends only on the fraction of the height, so both sizes look alike.
TColorRGB GradientAt(int y, int height, int lift) {
    const double t = height > 1 ? double(y) / (height - 1) : 0.0;
    const auto mix = [t, lift](double top, double bottom) {
        return Level(top + (bottom - top) * t + lift);
    };
    return {mix(TopShade.R, BottomShade.R), mix(TopShade.G, BottomShade.G),
            mix(TopShade.B, BottomShade.B)};
}

// Interior lines only: none along the edges, where the pane's frame already is.
bool OnGrid(int x, int y) {
    return (x > 0 && x % GridStep == 0) || (y > 0 && y % GridStep == 0);
}

TImageBuffer DrawBackground(int width, int height) {
    TImageBuffer image(width, height, {0, 0, 0});
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.Set(x, y, GradientAt(y, height, OnGrid(x, y) ? GridLift : 0));
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_backgrounds <output folder>\n";
        return 2;
    }
    try {
        const std::string folder = argv[1];
        DrawBackground(400, 300).SaveBmp(folder + "/bk400x300.bmp");
        DrawBackground(800, 600).SaveBmp(folder + "/bk800x600.bmp");
    } catch (const std::exception& error) {
        std::cerr << "make_backgrounds: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
