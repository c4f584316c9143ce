// Helpers of the folder-exchange tests around the wire and the reply file: a port nobody
// listens on, the request body, a file's bytes read and written.
#pragma once

#include "platform/bundle.h"

#include <QByteArray>

#include <optional>
#include <string>

namespace soaptest {

// A loopback port on which nothing listens.
quint16 closedPort();

// The bundle's request body.
platform::ByteBuffer requestBody();

// Contents of a file, or nothing when it cannot be read.
std::optional<QByteArray> fileContents(const std::string& path);

// Writes bytes to path; false on failure.
bool writeFile(const std::string& path, const QByteArray& bytes);

}  // namespace soaptest
