// Windows as their designs give them: outer sizes that include the window system's frame, the
// centring rule, and the design fonts.
#pragma once

#include <QPoint>
#include <QSize>

#include <functional>

class QFont;
class QWidget;

namespace Plexa3DApp {

// (screen - window) div 2: the division truncates toward zero, so a negative odd difference is
// rounded up (-57 gives -28).
int CenteredPosition(int screenExtent, int windowExtent);

// The outer size of a top-level window: its client size plus the frame and title bar, as far as
// the window system reports them (not at all before the window is first shown).
QSize OuterSize(const QWidget* window);

// Gives the window this outer size, as far as the frame is known, but never a client area
// smaller than `minimumClient`. A window of fixed size stays fixed, at its new size.
void SetOuterSize(QWidget* window, QSize outer, QSize minimumClient = {});

// The frame of a top-level window is known only once the window system has framed it, after it
// was first shown. Until then this keeps giving the window its design outer size, once, as soon
// as a frame is reported; the client area never shrinks below what minimumClient() says.
void KeepOuterSize(QWidget* window, QSize outer, std::function<QSize()> minimumClient = {});

// The design's fonts by family and pixel size; where the desktop lacks the family, a sans-serif
// font stands in.
QFont DesignFont(int pixelSize, bool bold); // "MS Sans Serif"
QFont ArialFont(int pixelSize, bool bold);

} // namespace Plexa3DApp
