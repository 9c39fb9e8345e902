#include "app/AppIcons.h"

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
    // Qt decodes each file as it is added: the large sizes are for the
    // desktop's own icon theme, which registration fills, not for the window.
    for (int size : {16, 32, 48, 64})
        icon.addFile(QStringLiteral(":/icons/%1/%2.png").arg(size).arg(name), QSize(size, size));
    return icon;
}
} // namespace

QIcon QZMAppIcon()
{
    return IconFromSizes(QStringLiteral("qzm"));
}

QIcon QZMDocumentIcon()
{
    return IconFromSizes(QStringLiteral("qzm-document"));
}
