#include "platform/image.h"

#include "platform/bundle.h"

#include <QPixmap>
#include <QPixmapCache>

namespace platform {

namespace {

constexpr int kIconPoints = 18;

// An icon holding only the given pixmap scaled to the icon size.
QIcon iconAtIconSize(const QIcon& source)
{
    QIcon icon;
    icon.addPixmap(source.pixmap(QSize(kIconPoints, kIconPoints)));
    return icon;
}

}  // namespace

QSize Image::size() const
{
    if (icon_.isNull())
        return {};
    return icon_.actualSize(QSize(kIconPoints, kIconPoints));
}

Image imageFromBundle(const Bundle& bundle, const std::string& name, const std::string& type)
{
    auto path = bundle.pathForResource(name, type);
    if (!path)
        return {};
    QPixmap pixmap(QString::fromStdString(*path));
    if (pixmap.isNull())
        return {};
    return Image(QIcon(pixmap), name);
}

Image initWithSystemIconType(std::uint32_t type, const Bundle& fallback)
{
    const bool locked = type == kLockedIconType;
    if (!locked && type != kUnlockedIconType)
        return {};
    const std::string name = locked ? "lock" : "ulck";
    QIcon themed = QIcon::fromTheme(locked ? "changes-prevent" : "changes-allow");
    if (!themed.isNull())
        return Image(iconAtIconSize(themed), name);
    // The bundle's own padlock, decoded and scaled once: the folder pop-up asks for it at every
    // rebuild. The toolkit's pixmap cache keeps it.
    const auto path = fallback.pathForResource(name, "png");
    if (!path)
        return {};
    const QString key = QStringLiteral("korvane-icon:%1@%2").arg(QString::fromStdString(*path)).arg(kIconPoints);
    QPixmap scaled;
    if (!QPixmapCache::find(key, &scaled)) {
        const QPixmap pixmap(QString::fromStdString(*path));
        if (pixmap.isNull())
            return {};
        scaled = QIcon(pixmap).pixmap(QSize(kIconPoints, kIconPoints));
        QPixmapCache::insert(key, scaled);
    }
    return Image(QIcon(scaled), name);
}

}  // namespace platform
