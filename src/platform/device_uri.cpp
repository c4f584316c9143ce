#include "platform/device_uri.h"

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

}  // namespace platform
