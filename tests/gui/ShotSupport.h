#pragma once

#include <QPixmap>
#include <QScreen>
#include <QString>
#include <QWidget>

// Shows the window for a picture, at its own size or over the whole screen.
inline void ShowForShot(QWidget& window, bool maximized)
{
    if (maximized) {
        window.showMaximized();
        // A display without a window manager (Xvfb) does not maximize: fill it.
        window.setGeometry(window.screen()->availableGeometry());
    } else {
        window.show();
    }
}

// The window as the screen shows it, or as it paints itself where the screen
// cannot be read; false when the picture cannot be saved.
inline bool SaveShot(QWidget& window, const QString& out)
{
    QPixmap picture = window.screen()->grabWindow(window.winId(), 0, 0, -1, -1);
    if (picture.isNull() || picture.width() < window.width()) picture = window.grab();
    return picture.save(out);
}
