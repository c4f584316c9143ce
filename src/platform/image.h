// Small images: the padlocks beside protected values and the blank image of the pop-up.
#pragma once

#include <QIcon>

#include <cstdint>
#include <string>

namespace platform {

class Bundle;

// An image with the name it was made from ("lock", "ulck", "space"), so that what a control
// shows can be told without comparing pixels.
class Image {
public:
    Image() = default;
    Image(QIcon icon, std::string name) : icon_(std::move(icon)), name_(std::move(name)) {}

    bool isNull() const { return icon_.isNull(); }
    const QIcon& icon() const { return icon_; }
    const std::string& name() const { return name_; }
    // The size the image is shown at, in points.
    QSize size() const;

private:
    QIcon icon_;
    std::string name_;
};

// The image "name.type" of the bundle's resources; a null image when it is missing.
Image imageFromBundle(const Bundle& bundle, const std::string& name, const std::string& type);

// Four-character system icon codes.
constexpr std::uint32_t fourCharCode(const char (&code)[5])
{
    return (std::uint32_t(std::uint8_t(code[0])) << 24) | (std::uint32_t(std::uint8_t(code[1])) << 16) |
           (std::uint32_t(std::uint8_t(code[2])) << 8) | std::uint32_t(std::uint8_t(code[3]));
}
inline constexpr std::uint32_t kLockedIconType = fourCharCode("lock");
inline constexpr std::uint32_t kUnlockedIconType = fourCharCode("ulck");

// The system icon for a type code at 18 by 18 points: the icon theme's padlocks
// ("changes-prevent", "changes-allow"), else the bundle's own "lock.png" and "ulck.png".
Image initWithSystemIconType(std::uint32_t type, const Bundle& fallback);

}  // namespace platform
