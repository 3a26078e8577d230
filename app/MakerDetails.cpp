#include "MakerDetails.h"

#include "WindowDesign.h"

#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

namespace Plexa3DApp {

void SetUpInformationWindow(QWidget* window, const char* name, const QString& caption, int width,
                            int height, int left, int top) {
    window->setObjectName(QLatin1String(name));
    window->setWindowTitle(caption);
    window->setFont(DesignFont(11, false));
    QPalette face = window->palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    window->setPalette(face);
    window->setAutoFillBackground(true);
    // Closing an information window only hides it; the program ends with the main window.
    window->setAttribute(Qt::WA_QuitOnClose, false);
    SetOuterSize(window, {width, height});
    KeepOuterSize(window, {width, height});
    window->move(left, top);
}

namespace {

QLabel* DetailLabel(QWidget* window, const char* name, const QString& text, QPoint place,
                    const QFont& font, const QColor* color) {
    auto* label = new QLabel(text, window);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    if (color) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, *color);
        label->setPalette(palette);
    }
    label->move(place);
    label->adjustSize();
    return label;
}

} // namespace

void AddMakerDetails(QWidget* window, const TMakerLabelPlaces& places) {
    auto* image = new QLabel(window);
    image->setObjectName(QStringLiteral("Image1"));
    image->setGeometry(8, 8, 81, 89);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setPixmap(QPixmap(QStringLiteral(":/Images/emblem.bmp")));

    const QColor black(Qt::black);
    const QColor blue(Qt::blue);
    DetailLabel(window, "Label2", MakerName + QStringLiteral(" Software"), places.Label2,
                ArialFont(16, true), &black);
    DetailLabel(window, "Label3", MakerWebsite, places.Label3, DesignFont(11, true), &blue);
    DetailLabel(window, "Label1", MakerEMail, places.Label1, DesignFont(11, true), &blue);
    DetailLabel(window, "Label4", MakerTelephone, places.Label4, DesignFont(11, true), nullptr);
}

} // namespace Plexa3DApp
