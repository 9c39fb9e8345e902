#include "framework/LazyIcons.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmapCache>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOption>

namespace {
class CLazyIconEngine : public QIconEngine
{
public:
    explicit CLazyIconEngine(std::function<QIcon()> make) : m_make(std::move(make)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return Icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return Icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return Icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return Icon().availableSizes(mode, state);
    }
    bool isNull() override { return Icon().isNull(); }
    QString key() const override { return QStringLiteral("qzm-lazy"); }
    QIconEngine* clone() const override { return new CLazyIconEngine(*this); }

private:
    const QIcon& Icon()
    {
        if (m_make) {
            m_icon = m_make();
            m_make = nullptr;
        }
        return m_icon;
    }

    std::function<QIcon()> m_make;
    QIcon m_icon;
};

class CLazyIconStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override
    {
        if (icon != SP_ToolBarHorizontalExtensionButton && icon != SP_ToolBarVerticalExtensionButton)
            return QProxyStyle::standardIcon(icon, option, widget);
        // The option does not outlive this call; the extension buttons pass none.
        const Qt::LayoutDirection direction = option ? option->direction : QGuiApplication::layoutDirection();
        QPointer<QStyle> base = baseStyle();
        QPointer<QWidget> owner = const_cast<QWidget*>(widget);
        return LazyIcon([base, owner, direction, icon] {
            if (!base)
                return QIcon();
            QStyleOption lateOption;
            lateOption.direction = direction;
            return base->standardIcon(icon, &lateOption, owner.data());
        });
    }
};
} // namespace

QIcon LazyIcon(std::function<QIcon()> make)
{
    return QIcon(new CLazyIconEngine(std::move(make)));
}

void InstallLazyStandardIcons()
{
    QStyle* current = QApplication::style();
    if (!current || dynamic_cast<CLazyIconStyle*>(current))
        return;
    // The proxy takes the application's style as its base: nothing else of
    // the look changes.
    QApplication::setStyle(new CLazyIconStyle(current));
}

namespace {
// Qt's own key for a pixmap loaded from a file (QPixmap::load): the path,
// the file's time and size, each number's bytes as hex digits, low nibble
// first. Should a Qt version key differently, the style reads the file itself
// as before.
template <typename T>
QString HexDigits(T value)
{
    static const char digits[] = "0123456789abcdef";
    QString text;
    const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
    for (size_t i = 0; i < sizeof(T); ++i) {
        text += QLatin1Char(digits[bytes[i] & 0xf]);
        text += QLatin1Char(digits[bytes[i] >> 4]);
    }
    return text;
}

void PreloadFilePixmap(const QString& fileName)
{
    const QFileInfo info(fileName);
    const QString key = QLatin1String("qt_pixmap") + info.absoluteFilePath()
                        + HexDigits<uint>(uint(info.lastModified().toSecsSinceEpoch()))
                        + HexDigits<quint64>(quint64(info.size())) + HexDigits<uint>(0 /* pixmap type */);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return;
    QImageReader reader(fileName, "png");
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    if (!image.isNull())
        QPixmapCache::insert(key, QPixmap::fromImage(image));
}
} // namespace

void PreloadStylePixmaps()
{
    QStyle* style = QApplication::style();
    if (auto* proxy = qobject_cast<QProxyStyle*>(style))
        style = proxy->baseStyle();
    if (!style || style->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        return;
    PreloadFilePixmap(QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png"));
}
