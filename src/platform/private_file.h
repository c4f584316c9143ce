// Files of the user's own in the private temporary folder: read without following links or
// trusting someone else's file, replaced whole so that a reader never sees half of one.
#pragma once

#include "platform/bundle.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Reads fd to its end into bytes (appending); false on a read error or once more than maxBytes
// have come.
bool readAll(int fd, std::size_t maxBytes, std::string& bytes);
bool readAll(int fd, std::size_t maxBytes, ByteBuffer& bytes);

// Writes all of bytes to fd, going on after interruptions; false when a write fails.
bool writeAll(int fd, std::string_view bytes);

// The bytes of the file at path, or nothing when it is missing, unreadable, a link, not a
// regular file, owned by another user, or larger than maxBytes.
std::optional<ByteBuffer> readOwnFile(const std::string& path, std::size_t maxBytes);

// Replaces the file at path with bytes (mode 0600) through a temporary file that is renamed
// over it. A link or anything but a regular file of this user at path is removed first, never
// written through. False when the file could not be written; it then stays as it was. The file
// is not flushed to the disk: it is for files that the next run may as well make again.
bool replaceOwnFile(const std::string& path, const ByteBuffer& bytes);

}  // namespace platform
