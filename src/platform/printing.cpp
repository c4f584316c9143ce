#include "platform/printing.h"

#include <cups/http.h>

namespace platform {

std::optional<std::string> hostOfURI(const std::string& uri)
{
    char scheme[32], user[256], host[256], resource[1024];
    int port = 0;
    if (httpSeparateURI(HTTP_URI_CODING_ALL, uri.c_str(), scheme, sizeof scheme, user, sizeof user, host, sizeof host,
                        &port, resource, sizeof resource) < HTTP_URI_STATUS_OK)
        return std::nullopt;
    if (!*host)
        return std::nullopt;
    return std::string(host);
}

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
