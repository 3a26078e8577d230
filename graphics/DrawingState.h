// The library's drawing state, in one record: the clip window and line colour of the raster
// layer, the font and its colour, and the projection of the renderer. The library's routines read
// it through the module-level names below, which refer into the record; the editor sets it
// through the library's setters and saves and restores it whole with TDrawingStateGuard.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace ZuveloGraphLibrary {

// A point (x, y) is inside when Left <= x <= Right and Top <= y <= Bottom.
struct TClipRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
};

struct TColorRGB {
    std::uint8_t R = 0;
    std::uint8_t G = 0;
    std::uint8_t B = 0;

    friend bool operator==(const TColorRGB&, const TColorRGB&) = default;
};

inline constexpr int GlyphCount = 255;

// Slots 0 to 254 hold the glyph blocks exactly as read (bytes 2-3 width, 4-5 height, then the
// runs); the 256th slot of the table is the character advance in pixels.
struct TFontGlyphs {
    std::array<std::vector<std::uint8_t>, GlyphCount> Blocks;
    std::int32_t CharAdvance = 0;
};

struct TViewOrigin {
    std::uint16_t X = 0;
    std::uint16_t Y = 0;
};

// The free view's navigation. The initial view (the start value) draws exactly as without it.
struct TViewNavigation {
    double Zoom = 1;       // multiplies the projected offsets, before rounding
    double ShiftX = 0;     // pane pixels added to the zoomed offsets before rounding (x right)
    double ShiftY = 0;     // likewise, y down
    std::int64_t PanX = 0; // whole pane pixels added after rounding (x right)
    std::int64_t PanY = 0; // likewise, y down
    double MoveBack = 0;   // perspective only: the viewer moved back; subtracted from z
};

// The start values are the program's: nothing can be drawn but pixel (0, 0), in black, with no
// glyphs, and no projection chosen.
struct TDrawingState {
    TClipRect ClipRect;  // (0, 0, 0, 0) at start: only (0, 0) can be written
    TColorRGB DrawColor; // black at start; read by the renderer
    TFontGlyphs FontGlyphs;
    TColorRGB TextColor;             // black at start
    TViewOrigin ViewOrigin;          // the pane pixel onto which world x = 0, y = 0 falls
    std::uint8_t ProjectionMode = 0; // 1 parallel, 2 perspective; any other draws nothing
    double PerspectiveDistance = 0;  // 200 once perspective has been chosen
    double PerspectiveAspect = 0;    // 4/3 once perspective has been chosen
    TViewNavigation ViewNavigation;  // the initial view at start
    // Surfaces with looks in a picture that is to be reduced by this factor: in a square of this
    // many pixels a side, aligned to it, each face is shaded once, at the middle of its pixels
    // there, as a part of one pixel of the reduced picture. 1 (at start) shades every pixel.
    std::int32_t ShadingBlock = 1;
};

extern TDrawingState DrawingState;

inline constexpr TClipRect& ClipRect = DrawingState.ClipRect;
inline constexpr TColorRGB& DrawColor = DrawingState.DrawColor;
inline constexpr TFontGlyphs& FontGlyphs = DrawingState.FontGlyphs;
inline constexpr TColorRGB& TextColor = DrawingState.TextColor;
inline constexpr TViewOrigin& ViewOrigin = DrawingState.ViewOrigin;
inline constexpr std::uint8_t& ProjectionMode = DrawingState.ProjectionMode;
inline constexpr double& PerspectiveDistance = DrawingState.PerspectiveDistance;
inline constexpr double& PerspectiveAspect = DrawingState.PerspectiveAspect;
inline constexpr TViewNavigation& ViewNavigation = DrawingState.ViewNavigation;
inline constexpr std::int32_t& ShadingBlock = DrawingState.ShadingBlock;

// Keeps a copy of the whole drawing state and puts it back when it goes out of scope, also when
// an error leaves the scope: whatever is drawn inside may change any of it.
class TDrawingStateGuard {
public:
    TDrawingStateGuard() : saved_(DrawingState) {}
    ~TDrawingStateGuard() { DrawingState = saved_; }
    TDrawingStateGuard(const TDrawingStateGuard&) = delete;
    TDrawingStateGuard& operator=(const TDrawingStateGuard&) = delete;

private:
    TDrawingState saved_;
};

} // namespace ZuveloGraphLibrary
