#include "Scene.h"

#include "BitmapFont.h"
#include "FitPlacement.h"
#include "GraphErrors.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace Plexa3DApp {

using namespace ZuveloGraphLibrary;

namespace {

void UseColor(TColorRGB color) {
    SetDrawColor(color.R, color.G, color.B);
}

// A turn about X, then Y, then Z, undone in the opposite order exactly as far as it was made: a
// rotation that raises an error has already stored its values. A zero angle makes no turn.
class TTurn {
public:
    TTurn(TObject3D& object, int x, int y, int z) : object_(object), x_(x), y_(y), z_(z) {}

    void Apply() {
        turnedX_ = x_ != 0;
        RotateObject(x_, 0, 0, object_);
        turnedY_ = y_ != 0;
        RotateObject(0, y_, 0, object_);
        turnedZ_ = z_ != 0;
        RotateObject(0, 0, z_, object_);
        TransformObject(object_);
    }
    void Undo() {
        RotateObject(0, 0, turnedZ_ ? -z_ : 0, object_);
        RotateObject(0, turnedY_ ? -y_ : 0, 0, object_);
        RotateObject(turnedX_ ? -x_ : 0, 0, 0, object_);
        TransformObject(object_);
    }

private:
    TObject3D& object_;
    int x_, y_, z_;
    bool turnedX_ = false, turnedY_ = false, turnedZ_ = false;
};

// Turns the object, lets draw() draw it, and turns it back, also when drawing fails. `turned`
// stays true only if turning back failed.
template <class Draw>
void DrawTurned(TObject3D& object, int x, int y, int z, bool& turned, Draw draw) {
    TTurn turn(object, x, y, z);
    turned = true;
    try {
        turn.Apply();
        draw();
    } catch (...) {
        turn.Undo();
        turned = false;
        throw;
    }
    turn.Undo();
    turned = false;
}

} // namespace

void RequireWholeModel(const Plexa3DFormats::TModelFile& read, const TObject3D& object,
                       const TModelLooks& looks, const char* task) {
    if (read.Format == Plexa3DFormats::TModelFormat::Unknown) {
        throw TModelRefused(Plexa3DFormats::UnknownFormatText);
    }
    if (object.FaceCount == 0) {
        // What the reading passed over, or the files beside the model it could not read, say why
        // no face came of it.
        std::vector<std::string> reasons;
        for (const TLooksNote& note : looks.Notes) {
            using TKind = TLooksNote::TKind;
            if (note.Kind != TKind::PartSkipped && note.Kind != TKind::FileMissing &&
                note.Kind != TKind::FileUnreadable) {
                continue;
            }
            if (reasons.size() == MaxRefusalNotes) {
                reasons.emplace_back("...");
                break;
            }
            reasons.push_back(NoteText(note, TNoteLanguage::CommandLine));
        }
        std::string why = "the file holds no faces";
        if (read.Reading.FacesNotFinite > 0) {
            why = "no face of the file has finite vertices";
        } else if (!reasons.empty()) {
            why = "no faces were read from the file (" + reasons[0];
            for (std::size_t i = 1; i < reasons.size(); ++i) {
                why += "; " + reasons[i];
            }
            why += ")";
        }
        throw TModelRefused(std::string("Nothing to ") + task + ": " + why);
    }
}

void DrawFixedViews(TObject3D& object, const TFixedViews& views, TDrawMode mode,
                    TDepthBuffer& buffer, const TModelLooks* looks) {
    // As at the initial view; the free view gets its navigation back afterwards.
    const TDrawingStateGuard kept;
    ResetViewNavigation();
    struct TFixedView {
        const TImageView& Image;
        const char* Caption;
        int X, Y;
    };
    const TFixedView fixed[] = {{views.Top, "Visuale Dall'alto:", 0, 0},
                                {views.Front, "Visuale Frontale:", 90, 0},
                                {views.Side, "Visuale Laterale:", 90, -90}};
    const TPaneObject drawn[] = {{&object, DrawColor, looks}};
    for (const TFixedView& view : fixed) {
        WriteText(view.Image, 1, 1, view.Caption);
        bool turned = false;
        DrawTurned(object, view.X, view.Y, 0, turned,
                   [&] { DrawObjects3D(view.Image, drawn, mode, buffer); });
    }
}

// In front of the viewer, about the local origin and enlarged; or, fitted, about the object's own
// centre and scaled to the pane, where the object has a box to fit. Vertices no face uses are
// never drawn, but they are turned with the rest: they are parked where that cannot fail when the
// object is fitted or `parkUnused` asks for it.
void TScene::Place(TObject3D& object, bool parkUnused) const {
    const bool fitted = ImportOptions.FitToWindow && FitObjectVertices(object);
    if (fitted || parkUnused) {
        ParkUnusedVertices(object);
    }
    SetObjectPivot(0, 0, 0, object);
    SetObjectPosition(0, 0, -PlacementDepth, object);
    if (!fitted) {
        ScaleObject(object, PlacementScale);
    }
}

void TScene::RequireFreeSlot() const {
    if (ObjectCount >= MaxObjects) {
        throw RuntimeError("Numero massimo di oggetti raggiunto (255)");
    }
}

int TScene::Import(const std::string& fileName, const TImageView& freePane,
                   const TImageView& freeBackground, const TFixedViews& views) {
    RequireFreeSlot();
    CopyImagePixels(freeBackground, freePane);
    DrawObjects3D(freePane, PaneObjects(0), DrawMode, freeBuffers_[0]); // all grey
    UseColor(CurrentColor);
    SetFontColor(LabelColor.R, LabelColor.G, LabelColor.B);
    SetCharAdvance(TextAdvance);
    std::unique_ptr<TObject3D> object;
    NewObject3D(object);
    TModelLooks looks;
    const Plexa3DFormats::TModelFile read = Plexa3DFormats::ReadModelFile(
        fileName,
        ImportOptions.WholeModel ? Plexa3DFormats::TModelPart::Whole
                                 : Plexa3DFormats::TModelPart::FirstMesh,
        *object, looks);
    if (ImportOptions.WholeModel) {
        RequireWholeModel(read, *object, looks);
    }
    LoadModelImages(looks, ModelFolder(fileName), DecodeImage, DecodeImageBytes);
    SetViewOrigin(SmallPaneOrigin.X, SmallPaneOrigin.Y);
    SetParallelProjection();
    // The first mesh read by the .3DS reader keeps its vertices as they are, even one that
    // cannot be turned. Every other reading leaves out the faces with a corner that is not
    // finite, and its vertices that no face uses are parked.
    const bool firstMesh3DS =
        !ImportOptions.WholeModel && (read.Format == Plexa3DFormats::TModelFormat::ThreeDS ||
                                      read.Format == Plexa3DFormats::TModelFormat::Unknown);
    Place(*object, !firstMesh3DS);
    DrawFixedViews(*object, views, DrawMode, fixedBuffer_, &looks);

    const int slot = ObjectCount + 1;
    Objects[slot] = std::move(object);
    Looks[slot] = std::move(looks);
    Files[slot] = fileName;
    ObjectCount = static_cast<std::uint8_t>(slot);
    CurrentObject = ObjectCount;
    return slot;
}

std::span<const TPaneObject> TScene::PaneObjects(int current) {
    for (int i = 1; i <= ObjectCount; ++i) {
        paneObjects_[std::size_t(i - 1)] = {Objects[i].get(),
                                            i == current ? CurrentColor : OtherColor, &Looks[i]};
    }
    return std::span(paneObjects_).first(ObjectCount);
}

void TScene::DrawFreeView(const TImageView& pane, const TImageView& background, int angleX,
                          int angleY, int angleZ) {
    if (ObjectCount == 0) {
        return;
    }
    CopyImagePixels(background, pane);
    TObject3D& current = *Objects[CurrentObject];
    DrawTurned(current, angleX, angleY, angleZ, turned_, [&] {
        DrawObjects3D(pane, PaneObjects(CurrentObject), DrawMode, freeBuffers_[ViewMode]);
    });
    const std::string lines[] = {"Visuale Libera XYZ:", "Nome Oggetto:" + current.Name,
                                 "Numero Poligoni:" + std::to_string(current.FaceCount),
                                 "Numero Vertici:" + std::to_string(current.VertexCount)};
    int y = 1;
    for (const std::string& line : lines) {
        WriteText(pane, 1, y, line);
        y += TextLineHeight;
    }
}

double TFreeViewNavigation::Zoom() const {
    return BaseZoom * std::exp2(Notches / NotchesPerDoubling);
}

// The pane pixel of projected x is origin + pan + Round(zoom x + shift): with shift = anchor -
// zoom centre, the centre lands on the anchor. The initial view gives zoom 1 and shift 0 exactly.
TViewNavigation TFreeViewNavigation::ForDrawing() const {
    const double zoom = Zoom();
    return {zoom, AnchorX - zoom * CentreX, zoom * CentreY - AnchorY, PanX, PanY, MoveBack};
}

void TScene::SetNavigation(const TFreeViewNavigation& navigation) {
    navigation_ = navigation;
    SetViewNavigation(navigation_.ForDrawing());
}

void TScene::ZoomAt(int notches, int x, int y) {
    TFreeViewNavigation next = navigation_;
    const TViewNavigation drawn = navigation_.ForDrawing();
    const double u = double(x) - ViewOrigin.X - next.PanX;
    const double v = double(ViewOrigin.Y) + next.PanY - y;
    // The projected point under the pixel becomes the one held there, unless it already is.
    if (u != next.AnchorX) {
        next.CentreX = (u - drawn.ShiftX) / drawn.Zoom;
        next.AnchorX = u;
    }
    if (v != next.AnchorY) {
        next.CentreY = (v + drawn.ShiftY) / drawn.Zoom;
        next.AnchorY = v;
    }
    const int step = notches > 0 ? 1 : -1;
    for (int i = 0; i != notches; i += step) {
        next.Notches += step;
        if (next.Zoom() > MaxZoom || next.Zoom() < MinZoom) {
            next.Notches -= step;
            break;
        }
    }
    SetNavigation(next);
}

void TScene::PanBy(int dx, int dy) {
    // Far beyond any pane, but never near the 64-bit limit of pane coordinates.
    constexpr std::int64_t limit = std::int64_t{1} << 40;
    TFreeViewNavigation next = navigation_;
    next.PanX = std::clamp<std::int64_t>(next.PanX + dx, -limit, limit);
    next.PanY = std::clamp<std::int64_t>(next.PanY + dy, -limit, limit);
    SetNavigation(next);
}

void TScene::ResetView() {
    SetNavigation({});
}

void TScene::FrameAll(int angleX, int angleY, int angleZ) {
    if (ObjectCount == 0 || ProjectionMode == 0) {
        return;
    }
    TFreeViewNavigation next = navigation_;
    TProjectedExtent all;
    const auto measure = [&](double moveBack) {
        TViewNavigation measuring;
        measuring.MoveBack = moveBack;
        SetViewNavigation(measuring);
        all = {};
        for (int i = 1; i <= ObjectCount; ++i) {
            const TProjectedExtent e = ProjectedExtent(*Objects[i]);
            if (e.Empty) {
                continue;
            }
            if (all.Empty) {
                all = e;
                continue;
            }
            all.MinX = std::min(all.MinX, e.MinX);
            all.MaxX = std::max(all.MaxX, e.MaxX);
            all.MinY = std::min(all.MinY, e.MinY);
            all.MaxY = std::max(all.MaxY, e.MaxY);
            all.MaxZ = std::max(all.MaxZ, e.MaxZ);
        }
    };
    {
        const TDrawingStateGuard kept; // measuring changes the navigation
        bool turned = false;
        DrawTurned(*Objects[CurrentObject], angleX, angleY, angleZ, turned, [&] {
            measure(next.MoveBack);
            // In perspective, a vertex at or behind the viewer: move back until the nearest one
            // is as far in front as an imported object is placed.
            if (ProjectionMode == PerspectiveProjection && !all.Empty &&
                all.MaxZ - next.MoveBack >= 0) {
                next.MoveBack = all.MaxZ + PlacementDepth;
                measure(next.MoveBack);
            }
        });
    }
    const double width = all.MaxX - all.MinX;
    const double height = all.MaxY - all.MinY;
    if (all.Empty || !std::isfinite(width) || !std::isfinite(height) ||
        !std::isfinite(next.MoveBack)) {
        return;
    }
    const TPaneSize pane = FreePaneSize();
    double zoom = 1;
    if (width > 0 || height > 0) {
        zoom = std::min(width > 0 ? pane.Width / width : INFINITY,
                        height > 0 ? pane.Height / height : INFINITY) *
               FramedShare;
    }
    next.BaseZoom = std::clamp(zoom, MinZoom, MaxZoom);
    next.Notches = 0;
    next.CentreX = (all.MinX + all.MaxX) / 2;
    next.CentreY = (all.MinY + all.MaxY) / 2;
    next.AnchorX = pane.Width / 2.0 - ViewOrigin.X;
    next.AnchorY = ViewOrigin.Y - pane.Height / 2.0;
    next.PanX = 0;
    next.PanY = 0;
    SetNavigation(next);
}

void TScene::LoadFont(const std::string& fileName) {
    LoadBitmapFont(fileName);
}

void TScene::SetLineColor(TColorRGB color) {
    UseColor(color);
}

void TScene::ClipToPane(TPaneSize pane) {
    SetClipRect(0, 0, pane.Width - 1, pane.Height - 1);
}

void TScene::SetProjection(bool perspective) {
    perspective ? SetPerspectiveProjection() : SetParallelProjection();
}

void TScene::SetLayout(bool onePane) {
    const TViewOrigin origin = onePane ? LargePaneOrigin : SmallPaneOrigin;
    const TPaneSize size = onePane ? LargePane : SmallPane;
    SetViewOrigin(origin.X, origin.Y);
    SetClipRect(0, 0, size.Width - 1, size.Height - 1);
    ViewMode = onePane ? 1 : 0;
}

} // namespace Plexa3DApp
