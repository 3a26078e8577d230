// The maker's details shown by the author, website and e-mail windows, and the parts those three
// windows share: the emblem and four labels, placed differently in each.
#pragma once

#include <QPoint>
#include <QString>

class QLabel;
class QWidget;

namespace Plexa3DApp {

inline const QString MakerName = QStringLiteral("Zuvelo Omarin");
inline const QString MakerWebsite = QStringLiteral("https://www.example.org/");
inline const QString MakerWebsiteHost = QStringLiteral("www.example.org");
inline const QString MakerEMail = QStringLiteral("info@example.org");
inline const QString MakerMailTo = QStringLiteral("mailto:info@example.org");
inline const QString MakerTelephone = QStringLiteral("+39 000 000 0000");

// A top-level information window: caption, outer size and screen position of the design, the
// window font and the button-face background, hidden until shown.
void SetUpInformationWindow(QWidget* window, const char* name, const QString& caption, int width,
                            int height, int left, int top);

struct TMakerLabelPlaces {
    QPoint Label2; // "<name> Software"
    QPoint Label3; // website address
    QPoint Label1; // e-mail address
    QPoint Label4; // telephone number
};

// Adds Image1 (the emblem) at (8, 8) and the four labels at their places.
void AddMakerDetails(QWidget* window, const TMakerLabelPlaces& places);

} // namespace Plexa3DApp
