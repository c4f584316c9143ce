#include "paper_sizes.h"

#include <cups/pwg.h>

#include <QString>

namespace {

// PWG sizes are in hundredths of millimetres, 2540 to the inch.
constexpr double kPwgUnitsPerInch = 2540;
constexpr double kPointsPerInch = 72;

// The table's entry for a name in any of its three spellings; nullptr when none knows it.
const pwg_media_t* pwgMediaForAnyName(const std::string& name)
{
    if (const pwg_media_t* media = pwgMediaForPWG(name.c_str()))
        return media;
    if (const pwg_media_t* media = pwgMediaForLegacy(name.c_str()))
        return media;
    return pwgMediaForPPD(name.c_str());
}

// A length in PWG units as a short number of the unit ("8.5", "210").
QString lengthIn(int pwgUnits, double unitsPerPwgUnit)
{
    return QString::number(pwgUnits * unitsPerPwgUnit, 'g', 4);
}

}  // namespace

std::optional<QSizeF> paperSizeInPoints(const std::string& name, ppd_file_t* ppd)
{
    if (name.empty())
        return std::nullopt;
    if (ppd) {
        if (const ppd_size_t* size = ppdPageSize(ppd, name.c_str()); size && size->width > 0 && size->length > 0)
            return QSizeF(size->width, size->length);
    }
    const pwg_media_t* media = pwgMediaForAnyName(name);
    if (!media || media->width <= 0 || media->length <= 0)
        return std::nullopt;
    return QSizeF(media->width * kPointsPerInch / kPwgUnitsPerInch, media->length * kPointsPerInch / kPwgUnitsPerInch);
}

std::string paperSizeText(const std::string& pwgName)
{
    const pwg_media_t* media = pwgMediaForPWG(pwgName.c_str());
    if (!media)
        return pwgName;
    if (media->ppd)
        return media->ppd;
    // The unit the name itself is written in.
    const bool inches = pwgName.size() > 2 && pwgName.compare(pwgName.size() - 2, 2, "in") == 0;
    const double perPwgUnit = inches ? 1 / kPwgUnitsPerInch : 0.01;
    return (lengthIn(media->width, perPwgUnit) + " x " + lengthIn(media->length, perPwgUnit) + (inches ? " in" : " mm"))
        .toStdString();
}
