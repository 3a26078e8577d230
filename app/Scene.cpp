#include "Scene.h"

#include "BitmapFont.h"
#include "GraphErrors.h"
#include "Import3DS.h"

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

void DrawFixedViews(TObject3D& object, const TFixedViews& views) {
    struct TFixedView {
        const TImageView& Image;
        const char* Caption;
        int X, Y;
    };
    const TFixedView fixed[] = {{views.Top, "Visuale Dall'alto:", 0, 0},
                                {views.Front, "Visuale Frontale:", 90, 0},
                                {views.Side, "Visuale Laterale:", 90, -90}};
    for (const TFixedView& view : fixed) {
        WriteText(view.Image, 1, 1, view.Caption);
        bool turned = false;
        DrawTurned(object, view.X, view.Y, 0, turned, [&] { DrawObject3D(view.Image, object); });
    }
}

void TScene::Place(TObject3D& object) const {
    SetObjectPivot(0, 0, 0, object);
    SetObjectPosition(0, 0, -PlacementDepth, object);
    ScaleObject(object, PlacementScale);
}

int TScene::Import(const std::string& fileName, const TImageView& freePane,
                   const TImageView& freeBackground, const TFixedViews& views) {
    if (ObjectCount >= MaxObjects) {
        throw RuntimeError("Numero massimo di oggetti raggiunto (255)");
    }
    CopyImagePixels(freeBackground, freePane);
    UseColor(OtherColor);
    for (int i = 1; i <= ObjectCount; ++i) {
        DrawObject3D(freePane, *Objects[i]);
    }
    UseColor(CurrentColor);
    SetFontColor(LabelColor.R, LabelColor.G, LabelColor.B);
    SetCharAdvance(TextAdvance);
    std::unique_ptr<TObject3D> object;
    NewObject3D(object);
    Load3DS(fileName, *object);
    SetViewOrigin(SmallPaneOrigin.X, SmallPaneOrigin.Y);
    SetParallelProjection();
    Place(*object);
    DrawFixedViews(*object, views);

    const int slot = ObjectCount + 1;
    Objects[slot] = std::move(object);
    ObjectCount = static_cast<std::uint8_t>(slot);
    CurrentObject = ObjectCount;
    return slot;
}

void TScene::DrawFreeView(const TImageView& pane, const TImageView& background, int angleX,
                          int angleY, int angleZ) {
    if (ObjectCount == 0) {
        return;
    }
    CopyImagePixels(background, pane);
    TObject3D& current = *Objects[CurrentObject];
    DrawTurned(current, angleX, angleY, angleZ, turned_, [&] {
        for (int i = 1; i <= ObjectCount; ++i) {
            UseColor(i == CurrentObject ? CurrentColor : OtherColor);
            DrawObject3D(pane, *Objects[i]);
        }
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

void TScene::SetLayout(bool onePane) {
    const TViewOrigin origin = onePane ? LargePaneOrigin : SmallPaneOrigin;
    const TPaneSize size = onePane ? LargePane : SmallPane;
    SetViewOrigin(origin.X, origin.Y);
    SetClipRect(0, 0, size.Width - 1, size.Height - 1);
    ViewMode = onePane ? 1 : 0;
}

} // namespace Plexa3DApp
