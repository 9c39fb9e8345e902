#include "app/AppIcons.h"

#include "app/AppIconPixels.h"

#include <QImage>
#include <QPixmap>
#include <QString>

// Outside any namespace: the macro declares the resource's initializer.
void InitIconResources()
{
    // The icons live in a static library: pull the resource in by name.
    static const bool done = [] {
        Q_INIT_RESOURCE(qzm_icons);
        return true;
    }();
    Q_UNUSED(done);
}

QIcon QZMAppIcon()
{
    // The large sizes are for the desktop's own icon theme, which
    // registration fills, not for the window. The window's sizes were
    // decoded when the program was built: no PNG decoding (nor a look for
    // image format plugins) at start.
    QIcon icon;
    for (int i = 0; i < kAppIconPixelsCount; ++i) {
        const AppIconPixels& pixels = kAppIconPixels[i];
        const QImage image(pixels.rgba, pixels.size, pixels.size, pixels.size * 4,
                           QImage::Format_RGBA8888_Premultiplied);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
