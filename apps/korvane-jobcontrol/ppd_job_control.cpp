#include "ppd_job_control.h"

#include "crypto/hex.h"
#include "settings/job_forms.h"
#include "settings/keys.h"
#include "settings/text_bytes.h"

#include <strings.h>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>

namespace jobcontrol {

namespace keys = korvane::keys;
namespace settings = korvane::settings;
using settings::TextBytes;

namespace {

// The PPD's job-control options (src/resources/ppd/korvane-rk880.ppd).
constexpr const char* kPrintRelease = "ARPrintRelease";
constexpr const char* kDocFiling = "ARDocFiling";
constexpr const char* kHoldKey = "ARHoldKey";
constexpr const char* kDocumentFiling = "ARDocumentFiling";
constexpr const char* kCustomFolderName = "ARCustomFolderName";
constexpr const char* kCustomFolderPIN = "ARCustomFolderPIN";
constexpr const char* kAccountLogin = "ARAccountLogin";
constexpr const char* kAccountPassword = "ARAccountPassword";
constexpr const char* kUserNumber = "ARUserNumber";
constexpr const char* kUserName = "ARUserName";
constexpr const char* kJobName = "ARJobName";
constexpr const char* kAllOptions[] = {kPrintRelease,     kDocFiling,       kHoldKey,      kDocumentFiling,
                                       kCustomFolderName, kCustomFolderPIN, kAccountLogin, kAccountPassword,
                                       kUserNumber,       kUserName,        kJobName};

// Texts arrive over IPP in UTF-8: the encoding of the first forms, as on the user's desktop.
constexpr platform::StringEncoding kJobTextEncoding = platform::kUTF8StringEncoding;
// The hex of "*standard": the folder path of the main folder.
constexpr const char* kStandardFolderHex = "2A7374616E64617264";

bool equalsIgnoringCase(std::string_view a, const char* b)
{
    return a.size() == std::strlen(b) && strncasecmp(a.data(), b, a.size()) == 0;
}

[[noreturn]] void refuse(const char* option, const std::string& why)
{
    throw JobRefused("the job's option " + std::string(option) + " " + why +
                     "; the job is not printed, so that it never prints without its settings");
}

// Whether an option's value leaves the setting off: absent, the PPD's "None" or "False".
bool isUnset(const JobOptions& options, const char* option)
{
    const auto found = options.find(option);
    return found == options.end() || found->second.empty() || equalsIgnoringCase(found->second, "None") ||
           equalsIgnoringCase(found->second, "False");
}

// The text a custom option carries: "Custom.TEXT" or "{Param=TEXT}"; nothing when the option
// is unset. Any other value is no choice of the PPD and is refused rather than ignored, since
// ignoring a PIN would print a job meant to be held.
std::optional<std::string> customText(const JobOptions& options, const char* option)
{
    if (isUnset(options, option))
        return std::nullopt;
    const std::string& value = options.at(option);
    std::optional<std::string> text;
    if (value.size() > 7 && strncasecmp(value.c_str(), "Custom.", 7) == 0)
        text = value.substr(7);
    else
        text = collectionMemberValue(value);
    if (!text || text->empty())
        refuse(option, "is not given as Custom.VALUE");
    return text;
}

// Whether a True/False option is on; refuses any other value.
bool isOn(const JobOptions& options, const char* option)
{
    if (isUnset(options, option))
        return false;
    const std::string& value = options.at(option);
    for (const char* on : {"True", "Yes", "On"})
        if (equalsIgnoringCase(value, on))
            return true;
    refuse(option, "is neither True nor False");
}

// A custom number option's digits, 1 to 8 as the panel's fields take them.
std::optional<std::string> customDigits(const JobOptions& options, const char* option)
{
    std::optional<std::string> text = customText(options, option);
    if (text && (text->size() > 8 || !std::all_of(text->begin(), text->end(),
                                                  [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })))
        refuse(option, "must be 1 to 8 digits");
    return text;
}

// The first form of a text by the panel's rule for its setting.
TextBytes firstForm(const std::string& text, const settings::TextRule& rule)
{
    TextBytes bytes;
    settings::convertText(text, kJobTextEncoding, rule, bytes);
    return bytes;
}

std::string hexOf(const unsigned char* bytes, std::size_t count)
{
    return korvane::crypto::toHex(std::span(bytes, count));
}

// Sets key unless value is empty.
void put(JobOptions& keysOut, const char* key, const std::string& value)
{
    if (!value.empty())
        keysOut[key] = value;
}

// The filing digit of ARDocumentFiling; a folder name alone means its custom folder.
char filingDigit(const JobOptions& options, bool hasFolderName)
{
    if (isUnset(options, kDocumentFiling))
        return hasFolderName ? '3' : '0';
    const std::string& value = options.at(kDocumentFiling);
    if (equalsIgnoringCase(value, "QuickFile"))
        return '1';
    if (equalsIgnoringCase(value, "MainFolder"))
        return '2';
    if (equalsIgnoringCase(value, "CustomFolder"))
        return '3';
    refuse(kDocumentFiling, "is none of None, QuickFile, MainFolder, CustomFolder");
}

// Writes the retention, filing and folder keys.
void putRetentionAndFiling(const JobOptions& options, const char* spoolTime, JobOptions& out)
{
    const std::optional<std::string> pin = customDigits(options, kHoldKey);
    // The PPD's options know no retention modes: every one of them holds the job, the choice
    // that never puts a confidential page in the tray.
    const bool retained = pin || isOn(options, kPrintRelease) || isOn(options, kDocFiling);
    if (retained)
        out[keys::kJobSuspend] = "2";
    if (pin)
        put(out, keys::kJobSuspendKey, settings::pinDigest(firstForm(*pin, settings::kPINRule), spoolTime));

    const std::optional<std::string> folderName = customText(options, kCustomFolderName);
    const char filing = filingDigit(options, folderName.has_value());
    out[keys::kFiling] = std::string(1, filing);
    if (filing == '3') {
        if (!folderName)
            refuse(kDocumentFiling, "chooses a custom folder but ARCustomFolderName names none");
        TextBytes path;
        const platform::StringEncoding encoding =
            encodingWindowsLatin1() ? platform::kWindowsLatin1StringEncoding : kJobTextEncoding;
        if (!settings::convertFolderName(*folderName, encoding, path))
            refuse(kCustomFolderName, "cannot be written in the printer's encoding in 255 bytes");
        put(out, keys::kFolderPath2, hexOf(path.bytes, path.count));
    } else if (filing == '2' || (filing == '0' && retained)) {
        out[keys::kFolderPath2] = kStandardFolderHex;
    }

    if (const auto folderPIN = customDigits(options, kCustomFolderPIN))
        put(out, keys::kFolderPassword,
            settings::folderPasswordDigest(firstForm(*folderPIN, settings::kFolderPasswordRule), spoolTime));
}

// Writes the authentication mode and the credentials in their spool-key forms.
void putAuthentication(const JobOptions& options, const char* spoolTime, JobOptions& out)
{
    const std::optional<std::string> login = customText(options, kAccountLogin);
    if (login && login->size() > settings::kLoginNameRule.maxBytes)
        refuse(kAccountLogin, "is longer than 255 bytes");
    const std::optional<std::string> password = customText(options, kAccountPassword);
    if (password && password->size() > settings::kPasswordRule.maxBytes)
        refuse(kAccountPassword, "is longer than 32 bytes");
    const std::optional<std::string> userNumber = customDigits(options, kUserNumber);

    if (login) {
        out[keys::kAuthentication] = "1";
        TextBytes name = firstForm(*login, settings::kLoginNameRule);
        settings::convertSecondForm(login, settings::kLoginNameSecondFormRule, name);
        put(out, (std::string(keys::kLoginName0Prefix) + "1").c_str(), settings::spoolKeyBase64(name, spoolTime));
    } else if (userNumber) {
        out[keys::kAuthentication] = "0";
    }
    if (password)
        put(out, keys::kPassword, settings::spoolKeyBase64(firstForm(*password, settings::kPasswordRule), spoolTime));
    if (userNumber) {
        char padded[16];
        if (settings::padNumber(firstForm(*userNumber, settings::kUserNumberRule).c_str(), padded, sizeof padded))
            put(out, keys::kUserNumber, padded);
    }
}

// Writes a user or job name's second form, as the panel cleans it for the job.
void putJobIdentity(const JobOptions& options, const char* option, const char* key, JobOptions& out)
{
    const std::optional<std::string> text = customText(options, option);
    if (!text)
        return;
    TextBytes name = firstForm(*text, settings::kJobIdentityRule);
    settings::convertJobIdentitySecondForm(text, name);
    put(out, key, hexOf(name.bytes, name.count));
}

}  // namespace

std::vector<std::string> ppdJobControlOptions(const JobOptions& options)
{
    std::vector<std::string> present;
    for (const char* option : kAllOptions)
        if (!isUnset(options, option))
            present.emplace_back(option);
    return present;
}

JobOptions keysFromPPDOptions(const JobOptions& options, const char* spoolTime)
{
    JobOptions out;
    if (ppdJobControlOptions(options).empty())
        return out;
    const std::size_t spoolTimeLength = std::strlen(spoolTime);
    out[keys::kSpoolTime] = hexOf(reinterpret_cast<const unsigned char*>(spoolTime), spoolTimeLength);
    putRetentionAndFiling(options, spoolTime, out);
    putAuthentication(options, spoolTime, out);
    putJobIdentity(options, kUserName, keys::kUserName2, out);
    putJobIdentity(options, kJobName, keys::kJobName2, out);
    return out;
}

}  // namespace jobcontrol
