#include "app/AppIcons.h"

#include <QImageReader>
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

namespace {
QIcon IconFromSizes(const QString& name)
{
    InitIconResources();
    QIcon icon;
    // The large sizes are for the desktop's own icon theme, which
    // registration fills, not for the window. Reading them as PNG without
    // format detection spares the start-up from loading every image plugin.
    for (int size : {16, 32, 48, 64}) {
        QImageReader reader(QStringLiteral(":/icons/%1/%2.png").arg(size).arg(name), "png");
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
} // namespace

QIcon QZMAppIcon()
{
    return IconFromSizes(QStringLiteral("qzm"));
}
