#include "WindowDesign.h"

#include <QEvent>
#include <QFont>
#include <QWidget>

namespace Plexa3DApp {

int CenteredPosition(int screenExtent, int windowExtent) {
    return (screenExtent - windowExtent) / 2;
}

QSize OuterSize(const QWidget* window) {
    return window->frameGeometry().size();
}

namespace {

QSize FrameSize(const QWidget* window) {
    return window->frameGeometry().size() - window->geometry().size();
}

class TOuterSizeKeeper : public QObject {
public:
    TOuterSizeKeeper(QWidget* window, QSize outer, std::function<QSize()> minimumClient)
        : QObject(window), window_(window), outer_(outer),
          minimumClient_(std::move(minimumClient)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto type = event->type();
        if (watched == window_ &&
            (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize) &&
            !FrameSize(window_).isNull()) {
            window_->removeEventFilter(this);
            SetOuterSize(window_, outer_, minimumClient_ ? minimumClient_() : QSize());
            deleteLater();
        }
        return false;
    }

private:
    QWidget* window_;
    QSize outer_;
    std::function<QSize()> minimumClient_;
};

} // namespace

void SetOuterSize(QWidget* window, QSize outer, QSize minimumClient) {
    const bool fixed = window->minimumSize() == window->maximumSize();
    const QSize client = (outer - FrameSize(window)).expandedTo(minimumClient);
    if (fixed) {
        window->setFixedSize(client);
    } else {
        window->resize(client);
    }
}

void KeepOuterSize(QWidget* window, QSize outer, std::function<QSize()> minimumClient) {
    window->installEventFilter(new TOuterSizeKeeper(window, outer, std::move(minimumClient)));
}

namespace {

QFont Font(const QString& family, int pixelSize, bool bold) {
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

} // namespace

QFont DesignFont(int pixelSize, bool bold) {
    return Font(QStringLiteral("MS Sans Serif"), pixelSize, bold);
}

QFont ArialFont(int pixelSize, bool bold) {
    return Font(QStringLiteral("Arial"), pixelSize, bold);
}

} // namespace Plexa3DApp
