#include "support/device_stream_reader.h"

#include <regex>

namespace testing_support {

std::optional<std::string> DeviceStream::value(const std::string& name) const
{
    for (const auto& [setting, text] : settings)
        if (setting == name)
            return text;
    return std::nullopt;
}

std::vector<std::string> DeviceStream::names() const
{
    std::vector<std::string> list;
    for (const auto& setting : settings)
        list.push_back(setting.first);
    return list;
}

std::optional<DeviceStream> readDeviceStream(const std::string& stream, std::string* why)
{
    auto fail = [&](const std::string& reason) -> std::optional<DeviceStream> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    static const std::regex setLine("@KJC SET ([A-Z]+)=\"([\\x20\\x21\\x23-\\x5B\\x5D-\\x7E]{1,1000})\"");
    static const std::regex enterLine("@KJC ENTER LANGUAGE=([A-Z]+) SIZE=([0-9]+)");
    std::size_t at = 0;
    auto nextLine = [&](std::string& line) {
        const std::size_t end = stream.find('\n', at);
        if (end == std::string::npos)
            return false;
        line = stream.substr(at, end - at);
        at = end + 1;
        return true;
    };
    std::string line;
    if (!nextLine(line) || line != "@KJC JOB")
        return fail("the stream does not start with @KJC JOB");
    DeviceStream parts;
    std::smatch match;
    while (nextLine(line)) {
        if (std::regex_match(line, match, setLine)) {
            parts.settings.emplace_back(match[1], match[2]);
            continue;
        }
        if (!std::regex_match(line, match, enterLine))
            return fail("bad header line: " + line);
        parts.language = match[1];
        const std::size_t size = std::stoul(match[2]);
        if (stream.size() - at < size)
            return fail("fewer document bytes than SIZE=" + std::to_string(size));
        parts.document = stream.substr(at, size);
        parts.tail = stream.substr(at + size);
        return parts;
    }
    return fail("no ENTER line");
}

}  // namespace testing_support
