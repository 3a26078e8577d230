// What the main window shows, without the window: the object table and its counters, the
// placement of a new object, the three fixed views drawn at import and the free view drawn at
// every redraw. It draws into the image views it is given and keeps no Qt types, so tests can
// drive it directly; the window adds its widgets, its list and its redraw timer.
#pragma once

#include "DepthBuffer.h"
#include "DrawModes.h"
#include "GraphErrors.h"
#include "ImageView.h"
#include "MeshObject.h"
#include "ModelFiles.h"
#include "ModelImages.h"
#include "ModelLooks.h"
#include "RasterCanvas.h"
#include "Renderer.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace Plexa3DApp {

// The panes: four small ones, or the free view alone in one large one.
struct TPaneSize {
    int Width;
    int Height;
};
inline constexpr TPaneSize SmallPane{400, 300};
inline constexpr TPaneSize LargePane{800, 600};
inline constexpr ZuveloGraphLibrary::TViewOrigin SmallPaneOrigin{SmallPane.Width / 2,
                                                                 SmallPane.Height / 2};
// Not the large pane's centre: the picture sits 20 pixels lower, below the text lines.
inline constexpr ZuveloGraphLibrary::TViewOrigin LargePaneOrigin{LargePane.Width / 2, 320};

// Where an import puts a new object: in front of the viewer, enlarged.
inline constexpr std::int32_t PlacementDepth = 300;
inline constexpr float PlacementScale = 5;

inline constexpr ZuveloGraphLibrary::TColorRGB CurrentColor{255, 255, 255}; // white
inline constexpr ZuveloGraphLibrary::TColorRGB OtherColor{120, 120, 120};   // grey
inline constexpr ZuveloGraphLibrary::TColorRGB LabelColor{0, 255, 0};       // green
inline constexpr int TextAdvance = 8; // pixels from one character to the next
inline constexpr int TextLineHeight = 10;

inline constexpr int MaxObjects = 255;

// How later imports read and place a file. Both off: the first mesh of the file, placed as above.
struct TImportOptions {
    bool WholeModel = false;  // every mesh of the file, as one object
    bool FitToWindow = false; // centred and scaled to fit a small pane at every turn
};

// The three fixed views, drawn once when an object is imported.
struct TFixedViews {
    ZuveloGraphLibrary::TImageView Front; // Image1
    ZuveloGraphLibrary::TImageView Side;  // Image2
    ZuveloGraphLibrary::TImageView Top;   // Image3
};

// The free view's zoom, pan and move back as the user set them. Zoom and shift are kept as a
// world point (in projected units, before zooming) held under an anchor pixel (relative to the
// view origin plus pan), so that zooming in and back out about one pixel returns exactly to
// where it started.
struct TFreeViewNavigation {
    double BaseZoom = 1;             // set by framing
    int Notches = 0;                 // wheel notches since then, each 2^(1/4)
    double AnchorX = 0, AnchorY = 0; // pane offsets, x right and y up
    double CentreX = 0, CentreY = 0; // the projected point held under the anchor
    std::int64_t PanX = 0, PanY = 0;
    double MoveBack = 0;

    double Zoom() const;
    ZuveloGraphLibrary::TViewNavigation ForDrawing() const;
};

inline constexpr double NotchesPerDoubling = 4;
inline constexpr double MinZoom = 1.0 / 256;
inline constexpr double MaxZoom = 256;
inline constexpr double FramedShare = 0.9; // of the pane's width or height, by "Inquadra tutto"

// A whole model that could not be drawn: a file of no known format, or without a face to draw.
class TModelRefused : public ZuveloGraphLibrary::RuntimeError {
public:
    using RuntimeError::RuntimeError;
};

// At most this many of the reading's notes tell why a whole model has nothing to draw.
inline constexpr std::size_t MaxRefusalNotes = 3;

// Raises TModelRefused for a whole model read from the file that has nothing to draw ("Nothing
// to draw: ...", with what the reading passed over or could not find beside the model; `task`
// names what there is nothing for, as "export").
void RequireWholeModel(const Plexa3DFormats::TModelFile& read,
                       const ZuveloGraphLibrary::TObject3D& object,
                       const ZuveloGraphLibrary::TModelLooks& looks, const char* task = "draw");

class TScene {
public:
    // Slots 1 to 255 (slot 0 is never used); slots 1 to ObjectCount are filled, in import order.
    std::array<std::unique_ptr<ZuveloGraphLibrary::TObject3D>, MaxObjects + 1> Objects;
    // How each object looks, in the same slots: its materials, smoothing groups, mapping and
    // images, and what could not be shown of them.
    std::array<ZuveloGraphLibrary::TModelLooks, MaxObjects + 1> Looks;
    // The file each object was read from, as the import was given it.
    std::array<std::string, MaxObjects + 1> Files;
    // Decodes the images that models name; without one, surfaces are drawn in their colours only.
    TImageDecoder DecodeImage;
    TImageBytesDecoder DecodeImageBytes;
    std::uint8_t ObjectCount = 0;
    std::uint8_t CurrentObject = 0; // 0: none
    std::uint8_t ViewMode = 0;      // 0: four panes, 1: one large pane
    TImportOptions ImportOptions;
    // How the panes show the objects: the free view at its next redraw, the fixed views from the
    // next import on.
    ZuveloGraphLibrary::TDrawMode DrawMode = ZuveloGraphLibrary::TDrawMode::Wireframe;

    // Raises "Numero massimo di oggetti raggiunto (255)" when every slot is taken.
    void RequireFreeSlot() const;

    // Imports a file as the next object: the small free pane is reset from its background and the
    // earlier objects drawn into it in grey, the file is read and placed, and the fixed views are
    // drawn. The object takes its slot and becomes current only when all of that succeeded; an
    // error leaves the table and the counters as they were. Returns the new slot. The object's
    // looks are read with it, and the images its materials name decoded from beside the file.
    // Files of every format the program opens are read (Plexa3DFormats::ReadModelFile); with the
    // whole model, one that has nothing to draw is refused (TModelRefused).
    int Import(const std::string& fileName, const ZuveloGraphLibrary::TImageView& freePane,
               const ZuveloGraphLibrary::TImageView& freeBackground, const TFixedViews& views);

    // The free view: the pane reset from its background, every object in slot order (the current
    // one in white, turned by the angles, the others grey at rest) in the DrawMode, then the four
    // text lines.
    // The current object is back at rest afterwards, also when drawing fails. Draws nothing
    // without objects.
    void DrawFreeView(const ZuveloGraphLibrary::TImageView& pane,
                      const ZuveloGraphLibrary::TImageView& background, int angleX, int angleY,
                      int angleZ);

    // Whether the current object's vertices are as the import left them (not turned).
    bool CurrentAtRest() const { return !turned_; }

    // The library's drawing state is set here, and only here, for the windows: the font, the
    // line colour, the clip window of one pane, the free view's projection, and the free view's
    // origin and clip window for the layout (with ViewMode).
    void LoadFont(const std::string& fileName);
    void SetLineColor(ZuveloGraphLibrary::TColorRGB color);
    void ClipToPane(TPaneSize pane);
    void SetProjection(bool perspective);
    void SetLayout(bool onePane);

    // Navigation of the free view. Each changes only how the free view is drawn: the library's
    // ViewNavigation, which the fixed views never use.
    const TFreeViewNavigation& Navigation() const { return navigation_; }
    // Zooms by 2^(notches/4), within 1/256 to 256, about the pane pixel (x, y).
    void ZoomAt(int notches, int x, int y);
    void PanBy(int dx, int dy);
    // Zooms and pans so that every object, the current one turned by the angles, fills 90 % of
    // the pane's width or height, centred. In perspective the viewer first moves back until every
    // vertex is in front of it. Nothing changes when there is nothing to frame.
    void FrameAll(int angleX, int angleY, int angleZ);
    void ResetView(); // the initial view

private:
    void Place(ZuveloGraphLibrary::TObject3D& object, bool parkUnused) const;
    void SetNavigation(const TFreeViewNavigation& navigation);
    TPaneSize FreePaneSize() const { return ViewMode == 1 ? LargePane : SmallPane; }
    bool turned_ = false;
    TFreeViewNavigation navigation_;
    // Every object in slot order, the one in slot `current` white and the others grey.
    std::span<const ZuveloGraphLibrary::TPaneObject> PaneObjects(int current);
    std::array<ZuveloGraphLibrary::TPaneObject, MaxObjects> paneObjects_;
    // Kept from drawing to drawing: the small and the large free pane's, and the fixed views'.
    std::array<ZuveloGraphLibrary::TDepthBuffer, 2> freeBuffers_;
    ZuveloGraphLibrary::TDepthBuffer fixedBuffer_;
};

// The top, front and side views of an object, each captioned, in the mode; the turns between
// views are taken back afterwards. They are drawn as at the initial view, whatever the free
// view's navigation, in the DrawColor in force; its surfaces as its looks give them, when given.
void DrawFixedViews(ZuveloGraphLibrary::TObject3D& object, const TFixedViews& views,
                    ZuveloGraphLibrary::TDrawMode mode, ZuveloGraphLibrary::TDepthBuffer& buffer,
                    const ZuveloGraphLibrary::TModelLooks* looks = nullptr);

} // namespace Plexa3DApp
