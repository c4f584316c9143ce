#include "platform/printing.h"

namespace platform {

std::optional<std::string> PrintSettings::value(const std::string& key) const
{
    auto it = values_.find(key);
    if (it == values_.end())
        return std::nullopt;
    return it->second;
}

void PrintSettings::setValue(const std::string& key, const std::string& value)
{
    values_[key] = value;
}

void PrintSettings::removeValue(const std::string& key)
{
    values_.erase(key);
}

}  // namespace platform
