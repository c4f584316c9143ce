// Folders and files of the user's own: private folders made and kept private, files read
// without following links or trusting someone else's file, replaced whole so that a reader
// never sees half of one.
//
// Not QSaveFile or QFile: QSaveFile writes through a link planted where the file belongs (a
// shared /tmp is where such links are planted), gives a new file the umask's mode until it is
// changed, and flushes every file to the disk; QFile reads through links and files of others.
#pragma once

#include "platform/bundle.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// How a private folder may be reached and made. The two kinds of folder differ for a reason:
// a folder in a shared place such as /tmp must be a real folder of its own, since anyone can
// plant a link there that leads the user's files into a folder of someone else's choosing;
// a preferences folder under the user's home is reached only through the user's own folders,
// may legitimately be a link to a folder of the user (a dotfiles setup keeps it elsewhere),
// and its parents (~/.config) may not exist yet on a fresh account.
struct PrivateDirectoryOptions {
    // Whether a symbolic link that leads to a folder of the user is taken as the folder.
    bool acceptLinkToOwnFolder = false;
    // Whether missing parent folders are made as well (mode 0700), or only the folder itself.
    bool makeMissingParents = false;
};

// Makes dir with mode 0700 when it is missing, and sets that mode when it has another. True
// when dir then is a folder of this user, private to them; else false, and error (when given)
// says why as a sentence naming the folder.
bool makePrivateDirectory(const std::string& dir, PrivateDirectoryOptions options, std::string* error = nullptr);

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
