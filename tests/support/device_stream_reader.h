// Reads a device stream back into its parts, as a test that checks what the filter sent needs
// it: the SET lines in order, the ENTER line, the announced document and what follows it.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct DeviceStream {
    std::vector<std::pair<std::string, std::string>> settings;  // NAME, VALUE in header order
    std::string language;
    std::string document;  // exactly the SIZE bytes after the ENTER line
    std::string tail;      // everything after the document

    // The value of a setting, or nothing when the header does not carry it.
    std::optional<std::string> value(const std::string& name) const;
    // The names of the settings, in header order.
    std::vector<std::string> names() const;
};

// The parts of a stream; nothing, with why set, when it is not a well-formed job start,
// SET lines and ENTER line followed by at least SIZE bytes.
std::optional<DeviceStream> readDeviceStream(const std::string& stream, std::string* why = nullptr);

}  // namespace testing_support
