#include "platform/text_compare.h"

#include <QString>

namespace platform {

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    const QString left = QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()));
    const QString right = QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size()));
    return left.compare(right, Qt::CaseInsensitive) == 0;
}

}  // namespace platform
