// The device stream of one job (docs/device-stream.md): the job-control header, the document
// unchanged, the job end.
#pragma once

#include "header_settings.h"
#include "platform/file_descriptor.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jobcontrol {

// The largest document the header can announce: SIZE is at most 2^31-1.
inline constexpr std::uint64_t kMaxDocumentSize = 0x7FFFFFFF;

// The page description language announced before a document that begins with head: PDF or
// POSTSCRIPT by their signatures, TEXT for anything else. cupsd's CONTENT_TYPE names the job's
// original type, not what reaches this filter after the filters before it.
std::string languageOfDocument(std::string_view head);

// The header, from "@KJC JOB" to the ENTER line that announces size bytes of language.
// Throws JobRefused, naming the setting, when a value is empty, too long or holds a character
// outside printable ASCII or a quote or backslash (there is no escaping), or when the header
// would pass its limits of lines and bytes.
std::string formatHeader(const std::vector<HeaderSetting>& settings, std::string_view language, std::uint64_t size);

// The line that ends the job.
inline constexpr std::string_view kJobEnd = "@KJC EOJ\n";

// A readable document of known size: the file argument, or standard input read to its end
// into an unnamed temporary file (the document is no secret; the header never goes there).
class Document {
public:
    // Opens path, or standard input for an empty path. Throws JobRefused when it cannot be
    // read or is larger than the header can announce.
    explicit Document(const std::string& path);

    std::uint64_t size() const { return size_; }
    // The document's first bytes, at most count of them.
    std::string head(std::size_t count) const;
    // Writes exactly size() bytes to descriptor out; throws JobRefused when the document ends
    // early or out fails.
    void copyTo(int out) const;

private:
    platform::FileDescriptor fd_;
    std::uint64_t size_ = 0;
};

// Writes all of bytes to descriptor out; throws JobRefused when out fails.
void writeAll(int out, std::string_view bytes);

}  // namespace jobcontrol
