#include "platform/encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace platform {

namespace {

struct EncodingName {
    StringEncoding encoding;
    const char* iconvName;
};

constexpr EncodingName kEncodingNames[] = {
    {kASCIIStringEncoding, "ASCII"},
    {kJapaneseEUCStringEncoding, "EUC-JP"},
    {kUTF8StringEncoding, "UTF-8"},
    {kISOLatin1StringEncoding, "ISO-8859-1"},
    {kShiftJISStringEncoding, "SHIFT_JIS"},
    {kWindowsLatin1StringEncoding, "CP1252"},
    {kMacOSRomanStringEncoding, "MACINTOSH"},
    // CP932 is the superset of Shift-JIS that serves for the desktop's Mac Japanese.
    {kMacJapaneseStringEncoding, "CP932"},
    {kMacChineseTradStringEncoding, "BIG5"},
    {kMacKoreanStringEncoding, "EUC-KR"},
    {kMacChineseSimpStringEncoding, "GB2312"},
    {kGB18030StringEncoding, "GB18030"},
    {kEUCKRStringEncoding, "EUC-KR"},
    {kBig5StringEncoding, "BIG5"},
};

// The iconv conversion descriptors this thread opened, one per pair of encodings, closed when
// the thread ends. Opening one loads and sets up the conversion each time (most of what a
// short conversion costs), so each pair is opened once.
class IconvCache {
public:
    IconvCache() = default;
    IconvCache(const IconvCache&) = delete;
    IconvCache& operator=(const IconvCache&) = delete;
    ~IconvCache()
    {
        for (const Entry& entry : entries_)
            if (entry.cd != kInvalid)
                iconv_close(entry.cd);
    }

    // The descriptor from `from` to `to`, opened on first use; invalid when iconv has no such
    // conversion (remembered as well).
    iconv_t descriptor(const char* to, const char* from)
    {
        for (const Entry& entry : entries_)
            if (entry.to == to && entry.from == from)
                return entry.cd;
        entries_.push_back({to, from, iconv_open(to, from)});
        return entries_.back().cd;
    }

    static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);

private:
    struct Entry {
        std::string to;
        std::string from;
        iconv_t cd;
    };
    std::vector<Entry> entries_;
};

// A conversion descriptor of this thread's cache, in its initial shift state.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from)
    {
        thread_local IconvCache cache;
        cd_ = cache.descriptor(to, from);
        if (valid())
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool valid() const { return cd_ != IconvCache::kInvalid; }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

// Length in bytes of the UTF-8 sequence that starts with this byte (1 for a stray byte).
std::size_t utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    if (lead >= 0xE0)
        return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

// Converts one UTF-8 character with an open descriptor; nothing when it is not representable.
std::optional<std::string> convertCharacter(const IconvHandle& cd, std::string_view character)
{
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    char out[16];
    char* in = const_cast<char*>(character.data());
    std::size_t inLeft = character.size();
    char* outPtr = out;
    std::size_t outLeft = sizeof out;
    if (iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
    // Stateful encodings may need a shift back to the initial state.
    if (iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
    return std::string(out, static_cast<std::size_t>(outPtr - out));
}

// Whether text is well-formed UTF-8: no stray or missing continuation bytes, no overlong
// forms, no surrogates, nothing past U+10FFFF.
bool isWellFormedUTF8(std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size();) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        if (lead < 0x80) {
            ++pos;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;  // the range of the byte after the lead
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (text.size() - pos < length)
            return false;
        const auto second = static_cast<unsigned char>(text[pos + 1]);
        if (second < low || second > high)
            return false;
        for (std::size_t k = 2; k < length; ++k)
            if ((static_cast<unsigned char>(text[pos + k]) & 0xC0) != 0x80)
                return false;
        pos += length;
    }
    return true;
}

// The locale name that decides the character type, as setlocale would pick it.
std::string ctypeLocaleName()
{
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return value;
    }
    return "C";
}

std::string lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The codeset part of a locale name ("ja_JP.eucJP@x" -> "eucjp"), lowercased, without dashes.
std::string codesetOfLocale(const std::string& locale)
{
    auto dot = locale.find('.');
    if (dot == std::string::npos)
        return {};
    std::string codeset = locale.substr(dot + 1);
    codeset = codeset.substr(0, codeset.find('@'));
    codeset = lowercase(codeset);
    std::erase(codeset, '-');
    std::erase(codeset, '_');
    return codeset;
}

}  // namespace

const char* iconvNameOfEncoding(StringEncoding encoding)
{
    for (const auto& entry : kEncodingNames)
        if (entry.encoding == encoding)
            return entry.iconvName;
    return nullptr;
}

std::optional<std::string> decodeBytes(std::string_view bytes, StringEncoding encoding)
{
    const char* name = iconvNameOfEncoding(encoding);
    if (!name)
        return std::nullopt;
    IconvHandle cd("UTF-8", name);
    if (!cd.valid())
        return std::nullopt;
    std::string result(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* out = result.data();
    std::size_t outLeft = result.size();
    if (iconv(cd.get(), &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
    if (iconv(cd.get(), nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
    result.resize(result.size() - outLeft);
    // glibc's UTF-8 reader lets sequences for values past U+10FFFF through unchanged.
    if (!isWellFormedUTF8(result))
        return std::nullopt;
    return result;
}

ConvertedBytes getBytes(std::string_view text, StringEncoding encoding, std::size_t maxCharacters, std::size_t maxBytes,
                        Unrepresentable policy)
{
    ConvertedBytes result;
    const char* name = iconvNameOfEncoding(encoding);
    if (!name)
        return result;
    IconvHandle cd(name, "UTF-8");
    if (!cd.valid())
        return result;
    std::size_t unitsUsed = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = std::min(utf8SequenceLength(static_cast<unsigned char>(text[pos])), text.size() - pos);
        std::size_t units = length == 4 ? 2 : 1;
        if (unitsUsed + units > maxCharacters)
            break;
        std::optional<std::string> bytes = convertCharacter(cd, text.substr(pos, length));
        if (!bytes) {
            if (policy == Unrepresentable::EndsConversion)
                break;
            bytes = " ";
        }
        if (result.bytes.size() + bytes->size() > maxBytes)
            break;
        result.bytes += *bytes;
        result.charactersConverted += units;
        unitsUsed += units;
        pos += length;
    }
    return result;
}

std::optional<std::string> getCString(std::string_view text, StringEncoding encoding, std::size_t maxBytes)
{
    ConvertedBytes converted =
        getBytes(text, encoding, std::string_view::npos, maxBytes, Unrepresentable::EndsConversion);
    if (converted.charactersConverted != utf16Length(text))
        return std::nullopt;
    // A zero byte inside would cut the C text short: the whole text did not make it.
    if (converted.bytes.find('\0') != std::string::npos)
        return std::nullopt;
    return converted.bytes;
}

std::size_t utf16Length(std::string_view text)
{
    std::size_t units = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = std::min(utf8SequenceLength(static_cast<unsigned char>(text[pos])), text.size() - pos);
        units += length == 4 ? 2 : 1;
        pos += length;
    }
    return units;
}

StringEncoding systemEncoding()
{
    const std::string codeset = codesetOfLocale(ctypeLocaleName());
    if (codeset == "iso88591" || codeset == "latin1")
        return kISOLatin1StringEncoding;
    if (codeset == "cp1252")
        return kWindowsLatin1StringEncoding;
    if (codeset == "sjis" || codeset == "shiftjis")
        return kShiftJISStringEncoding;
    if (codeset == "eucjp" || codeset == "ujis")
        return kJapaneseEUCStringEncoding;
    if (codeset == "euckr")
        return kEUCKRStringEncoding;
    if (codeset == "gb2312" || codeset == "gbk" || codeset == "gb18030")
        return kGB18030StringEncoding;
    if (codeset == "big5" || codeset == "big5hkscs")
        return kBig5StringEncoding;
    return kUTF8StringEncoding;
}

bool isCJKSystem()
{
    const std::string locale = ctypeLocaleName();
    const std::string language = lowercase(locale.substr(0, 2));
    if (language == "ja" || language == "zh" || language == "ko")
        return true;
    switch (systemEncoding()) {
    case kShiftJISStringEncoding:
    case kJapaneseEUCStringEncoding:
    case kEUCKRStringEncoding:
    case kGB18030StringEncoding:
    case kBig5StringEncoding:
        return true;
    default:
        return false;
    }
}

}  // namespace platform
