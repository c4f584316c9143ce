#include "settings/print_settings_setters.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// The longest piece of a multi-piece value; the job's later stages read values of at most
// 254 characters.
constexpr std::size_t kPieceLength = 254;
// Keys of numbered pieces are formed in a buffer of this size.
constexpr std::size_t kPieceKeySize = 100;
constexpr std::size_t kMaxPrefixLength = 98;

// Whether every byte of a zero-terminated text is 7-bit.
bool isAsciiText(const char* text)
{
    for (const char* p = text; *p; ++p)
        if (static_cast<unsigned char>(*p) > 0x7F)
            return false;
    return true;
}

// Writes the key of one piece into key; false when it would not fit, so that a long piece
// number can never be cut into the key of another piece.
bool formPieceKey(char (&key)[kPieceKeySize], const char* prefix, std::size_t piece)
{
    const int written = std::snprintf(key, sizeof key, "%s%zu", prefix, piece);
    return written > 0 && static_cast<std::size_t>(written) < sizeof key;
}

// Removes the key of one piece.
void removePiece(platform::PrintSettings* settings, const char* prefix, std::size_t piece)
{
    char key[kPieceKeySize];
    if (formPieceKey(key, prefix, piece))
        MyPMPrintSetAsciiCStrValue(settings, key, nullptr);
}

}  // namespace

void MyPMPrintSetAsciiCStrValue(platform::PrintSettings* settings, const char* key, const char* text)
{
    if (!settings || !key)
        return;
    if (text && *text && isAsciiText(text))
        settings->setValue(key, text);
    else
        settings->removeValue(key);
}

void MyMultiPMPrintSetAsciiCStrValue(platform::PrintSettings* settings, const char* prefix, const char* text)
{
    if (!settings || !prefix || !*prefix || std::strlen(prefix) > kMaxPrefixLength)
        return;
    removePiece(settings, prefix, 1);
    if (!text || !*text)
        return;
    const std::size_t length = std::strlen(text);
    const std::size_t pieces = (length + kPieceLength - 1) / kPieceLength;
    for (std::size_t piece = 2; piece <= pieces + 1; ++piece)
        removePiece(settings, prefix, piece);
    char value[kPieceLength + 1];
    for (std::size_t piece = 1; piece <= pieces; ++piece) {
        char key[kPieceKeySize];
        if (!formPieceKey(key, prefix, piece))
            return;
        const std::size_t offset = (piece - 1) * kPieceLength;
        const std::size_t count = std::min(kPieceLength, length - offset);
        std::memcpy(value, text + offset, count);
        value[count] = '\0';
        MyPMPrintSetAsciiCStrValue(settings, key, value);
    }
}

void ReplaceSpaceCode(unsigned char* bytes, int count)
{
    if (!bytes)
        return;
    for (int i = 0; i < count; ++i) {
        const unsigned char c = bytes[i];
        if ((c >= 1 && c <= 8) || (c >= 10 && c <= 31) || c == '"')
            bytes[i] = ' ';
    }
}
