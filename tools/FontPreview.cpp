// Shows how the committed font reads on the committed backgrounds:
//
//   font_preview <data folder> <output.png>
//
// Draws, through the graphics library exactly as the program does, the captions of the top view
// and of the free view at their positions, the accented letters, every printable character and a
// few white and grey lines and triangles, on the two 400 x 300 panes (side by side) and, below
// them, on the 800 x 600 pane. The result is one PNG for judging legibility and contrast.
#include "BitmapFont.h"
#include "ImageView.h"
#include "RasterCanvas.h"

#include <QImage>
#include <QString>

#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>

namespace {

namespace Zgl = ZuveloGraphLibrary;

constexpr Zgl::TColorRGB White{255, 255, 255};
constexpr Zgl::TColorRGB Grey{120, 120, 120};

// The texts, as Latin-1 bytes.
const std::string TopViewTitle = "Visuale Dall'alto:";
const std::string FreeViewLines[] = {"Visuale Libera XYZ:", "Nome Oggetto:Box01",
                                     "Numero Poligoni:12", "Numero Vertici:8"};
const std::string Accents = "\xE0\xE8\xE9\xEC\xF2\xF9 \xC0\xC8\xC9\xCC\xD2\xD9";

std::string CodeRange(int first, int last) {
    std::string text;
    for (int code = first; code <= last; ++code) {
        text.push_back(static_cast<char>(code));
    }
    return text;
}

QImage LoadPane(const std::string& path) {
    QImage image;
    if (!image.load(QString::fromStdString(path), "BMP")) {
        throw std::runtime_error("cannot read " + path);
    }
    return image.convertToFormat(QImage::Format_BGR888);
}

// The library's view of a QImage whose bytes are blue, green, red.
Zgl::TImageView ViewOf(QImage& image) {
    return {image.bits(), image.bytesPerLine(), image.width(), image.height()};
}

void Line(const Zgl::TImageView& view, int x1, int y1, int x2, int y2, Zgl::TColorRGB c) {
    Zgl::DrawLine(view, x1, y1, x2, y2, c.R, c.G, c.B);
}

// A box seen from above and a little aside: the far square in grey, the near one in white.
void DrawBox(const Zgl::TImageView& view, int x, int y, int size, int depth) {
    const int far = -depth;
    Line(view, x + depth, y + far, x + depth + size, y + far, Grey);
    Line(view, x + depth + size, y + far, x + depth + size, y + far + size, Grey);
    Line(view, x + depth, y + far, x + depth, y + far + size, Grey);
    Line(view, x + depth, y + far + size, x + depth + size, y + far + size, Grey);
    for (int corner = 0; corner < 4; ++corner) {
        const int dx = corner % 2 * size;
        const int dy = corner / 2 * size;
        Line(view, x + dx, y + dy, x + depth + dx, y + far + dy, corner == 2 ? Grey : White);
    }
    Zgl::DrawTriangle(view, x, y, x + size, y, x + size, y + size, 255, 255, 255);
    Zgl::DrawTriangle(view, x, y, x, y + size, x + size, y + size, 255, 255, 255);
}

void WriteLines(const Zgl::TImageView& view, int y, const std::string* lines, int count) {
    for (int i = 0; i < count; ++i) {
        Zgl::WriteText(view, 1, y + 10 * i, lines[i]);
    }
}

void DrawTopView(QImage& pane) {
    const Zgl::TImageView view = ViewOf(pane);
    Zgl::SetClipRect(0, 0, view.Width - 1, view.Height - 1);
    Zgl::WriteText(view, 1, 1, TopViewTitle);
    Line(view, 200, 20, 200, 290, Grey); // the axes through the origin
    Line(view, 10, 160, 390, 160, Grey);
    Zgl::DrawTriangle(view, 140, 100, 260, 100, 260, 220, 255, 255, 255);
    Zgl::DrawTriangle(view, 140, 100, 140, 220, 260, 220, 255, 255, 255);
    Zgl::DrawTriangle(view, 60, 270, 110, 200, 150, 260, 120, 120, 120);
}

void DrawFreeView(QImage& pane) {
    const Zgl::TImageView view = ViewOf(pane);
    Zgl::SetClipRect(0, 0, view.Width - 1, view.Height - 1);
    WriteLines(view, 1, FreeViewLines, 4);
    Zgl::WriteText(view, 1, 51, Accents);
    Zgl::WriteText(view, 1, 61, CodeRange(32, 79));
    Zgl::WriteText(view, 1, 71, CodeRange(80, 126));
    DrawBox(view, view.Width / 2 - 60, view.Height / 2, view.Width / 4, view.Width / 10);
}

void DrawLargeFreeView(QImage& pane) {
    const Zgl::TImageView view = ViewOf(pane);
    Zgl::SetClipRect(0, 0, view.Width - 1, view.Height - 1);
    WriteLines(view, 1, FreeViewLines, 4);
    Zgl::WriteText(view, 1, 51, Accents);
    Zgl::WriteText(view, 1, 61, CodeRange(32, 126));
    Zgl::WriteText(view, 1, 71, CodeRange(160, 254));
    DrawBox(view, 300, 300, 220, 90);
    Zgl::DrawTriangle(view, 60, 560, 200, 420, 250, 590, 120, 120, 120);
}

// Copies a BGR888 pane into the sheet with its top left corner at (left, top).
void Paste(QImage& sheet, const QImage& pane, int left, int top) {
    for (int y = 0; y < pane.height(); ++y) {
        std::memcpy(sheet.scanLine(top + y) + 3 * left, pane.constScanLine(y),
                    std::size_t(3) * pane.width());
    }
}

void MakePreview(const std::string& data, const std::string& output) {
    Zgl::LoadBitmapFont(data + "/Fonts/NORMFONT.QXF");
    Zgl::SetFontColor(0, 255, 0);
    Zgl::SetCharAdvance(8);
    QImage top = LoadPane(data + "/Bmps/bk400x300.bmp");
    QImage free = LoadPane(data + "/Bmps/bk400x300.bmp");
    QImage large = LoadPane(data + "/Bmps/bk800x600.bmp");
    DrawTopView(top);
    DrawFreeView(free);
    DrawLargeFreeView(large);
    QImage sheet(large.width(), top.height() + large.height(), QImage::Format_BGR888);
    sheet.fill(Qt::black);
    Paste(sheet, top, 0, 0);
    Paste(sheet, free, top.width(), 0);
    Paste(sheet, large, 0, top.height());
    if (!sheet.save(QString::fromStdString(output), "PNG")) {
        throw std::runtime_error("cannot write " + output);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: font_preview <data folder> <output.png>\n";
        return 2;
    }
    try {
        MakePreview(argv[1], argv[2]);
    } catch (const std::exception& error) {
        std::cerr << "font_preview: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
