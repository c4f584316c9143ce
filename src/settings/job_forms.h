// The forms in which the job's later stages receive the secrets: digests over the spool-time
// text and encryption keyed by it. The panel's writer and the printer's filter (for jobs that
// never saw the panel) make them with these functions, so both give the printer the same bytes.
#pragma once

#include "settings/text_bytes.h"

#include <optional>
#include <string>
#include <string_view>

namespace korvane::settings {

// The MD5 text (32 lowercase hex digits) of first followed by second; empty when the two
// together pass the 127 bytes a digest input holds.
std::string digestOfTexts(std::string_view first, std::string_view second);

// The digest a typed PIN is checked against: MD5 of the zero-filled PIN followed by the
// spool-time text. Empty for an empty PIN.
std::string pinDigest(const TextBytes& pin, const char* spoolTime);

// The digest a folder password is checked against: MD5 of the spool-time text followed by
// the zero-filled password (the reverse order of the PIN's). Empty for an empty password.
std::string folderPasswordDigest(const TextBytes& password, const char* spoolTime);

// The Base64 of the AES blocks of text (up to its first zero byte) keyed by the spool-time
// text; empty for an empty text or a spool-time text too short to key with.
std::string spoolKeyBase64(const TextBytes& text, const char* spoolTime);

// Converts the whole folder name in the encoding, or failing that in Mac Japanese; false, with
// out cleared, when neither holds all of it in 255 bytes.
bool convertFolderName(std::string_view name, platform::StringEncoding encoding, TextBytes& out);

// Turns a converted first form into the second form the job's later stages read: the text
// again in Windows Latin 1 by rule, unless the system is a Japanese, Chinese or Korean one,
// whose later stages read the first form. Without a text the first form stands.
void convertSecondForm(const std::optional<std::string>& text, const TextRule& rule, TextBytes& form);

// The second form of a user or job name: as convertSecondForm, with control characters and
// double quotes turned into spaces.
void convertJobIdentitySecondForm(const std::optional<std::string>& text, TextBytes& form);

}  // namespace korvane::settings
