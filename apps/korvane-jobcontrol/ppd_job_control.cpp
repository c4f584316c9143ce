#include "ppd_job_control.h"

#include "header_settings.h"
#include "ipp_job_attributes.h"

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

// One option's value and whose it is.
struct OptionValue {
    std::string text;  // empty when nobody sets the option
    bool fromQueue = false;
};

// The job's own value of an option.
OptionValue ownValue(const JobControlValues& values, const char* option)
{
    const auto found = values.job.find(option);
    return found == values.job.end() ? OptionValue{} : OptionValue{found->second, false};
}

// The queue's default of an option.
OptionValue defaultValue(const JobControlValues& values, const char* option)
{
    const auto found = values.defaults.find(option);
    return found == values.defaults.end() ? OptionValue{} : OptionValue{found->second, true};
}

// The value in effect: the job's own, else the queue's default.
OptionValue valueOf(const JobControlValues& values, const char* option)
{
    OptionValue own = ownValue(values, option);
    return own.text.empty() ? defaultValue(values, option) : own;
}

// Refuses the job for an unusable value: the owner can put the job's own right, only the
// administrator the queue's default (it applies to every job, whatever the job gives).
[[noreturn]] void refuse(const char* option, const OptionValue& value, const std::string& why)
{
    if (value.fromQueue)
        throw JobRefused("the queue's default of " + std::string(option) + " " + why +
                         "; the job is not printed, and the administrator must set the default again (lpadmin -o)");
    throw JobNeedsSettings("the job's option " + std::string(option) + " " + why +
                           "; the job is not printed, so that it never prints without its settings");
}

// Whether a value leaves the setting off: empty, the PPD's "None" or "False".
bool isUnset(const OptionValue& value)
{
    return value.text.empty() || equalsIgnoringCase(value.text, "None") || equalsIgnoringCase(value.text, "False");
}

// The text a custom option carries: "Custom.TEXT" or "{Param=TEXT}"; nothing when the option
// is unset. Any other value is no choice of the PPD and is refused rather than ignored, since
// ignoring a PIN would print a job meant to be held.
std::optional<std::string> customText(const OptionValue& value, const char* option)
{
    if (isUnset(value))
        return std::nullopt;
    std::optional<std::string> text;
    if (value.text.size() > 7 && strncasecmp(value.text.c_str(), "Custom.", 7) == 0)
        text = value.text.substr(7);
    else
        text = collectionMemberValue(value.text);
    if (!text || text->empty())
        refuse(option, value, "is not given as Custom.VALUE");
    return text;
}

// Whether a True/False option is on; refuses any other value.
bool isOn(const OptionValue& value, const char* option)
{
    if (isUnset(value))
        return false;
    for (const char* on : {"True", "Yes", "On"})
        if (equalsIgnoringCase(value.text, on))
            return true;
    refuse(option, value, "is neither True nor False");
}

// A custom number option's digits, 1 to 8.
std::optional<std::string> customDigits(const OptionValue& value, const char* option)
{
    std::optional<std::string> text = customText(value, option);
    if (text && !isDigitsForm(*text, 1, 8))  // as the panel's number fields and the keypad take them
        refuse(option, value, "must be 1 to 8 digits");
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
char filingDigit(const OptionValue& value, bool hasFolderName)
{
    if (isUnset(value))
        return hasFolderName ? '3' : '0';
    if (equalsIgnoringCase(value.text, "QuickFile"))
        return '1';
    if (equalsIgnoringCase(value.text, "MainFolder"))
        return '2';
    if (equalsIgnoringCase(value.text, "CustomFolder"))
        return '3';
    refuse(kDocumentFiling, value, "is none of None, QuickFile, MainFolder, CustomFolder");
}

// Writes the retention, filing and folder keys.
void putRetentionAndFiling(const JobControlValues& values, const std::optional<JobPIN>& pin, const char* spoolTime,
                           JobOptions& out)
{
    // The PPD's options know no retention modes: every one of them holds the job, the choice
    // that never puts a confidential page in the tray.
    const bool retained =
        pin || isOn(valueOf(values, kPrintRelease), kPrintRelease) || isOn(valueOf(values, kDocFiling), kDocFiling);
    if (retained)
        out[keys::kJobSuspend] = "2";
    if (pin)
        put(out, keys::kJobSuspendKey, pinDigestOf(pin->digits, spoolTime));

    const std::optional<std::string> folderName = customText(valueOf(values, kCustomFolderName), kCustomFolderName);
    const OptionValue filingValue = valueOf(values, kDocumentFiling);
    const char filing = filingDigit(filingValue, folderName.has_value());
    out[keys::kFiling] = std::string(1, filing);
    if (filing == '3') {
        if (!folderName)
            refuse(kDocumentFiling, filingValue, "chooses a custom folder but ARCustomFolderName names none");
        TextBytes path;
        const platform::StringEncoding encoding =
            encodingWindowsLatin1() ? platform::kWindowsLatin1StringEncoding : kJobTextEncoding;
        if (!settings::convertFolderName(*folderName, encoding, path))
            refuse(kCustomFolderName, valueOf(values, kCustomFolderName),
                   "cannot be written in the printer's encoding in 255 bytes");
        put(out, keys::kFolderPath2, hexOf(path.bytes, path.count));
    } else if (filing == '2' || (filing == '0' && retained)) {
        out[keys::kFolderPath2] = kStandardFolderHex;
    }

    if (const auto folderPIN = customDigits(valueOf(values, kCustomFolderPIN), kCustomFolderPIN))
        put(out, keys::kFolderPassword,
            settings::folderPasswordDigest(firstForm(*folderPIN, settings::kFolderPasswordRule), spoolTime));
}

// Writes the authentication mode and the credentials in their spool-key forms.
void putAuthentication(const JobControlValues& values, const char* spoolTime, JobOptions& out)
{
    const OptionValue loginValue = valueOf(values, kAccountLogin);
    const std::optional<std::string> login = customText(loginValue, kAccountLogin);
    if (login && login->size() > settings::kLoginNameRule.maxBytes)
        refuse(kAccountLogin, loginValue, "is longer than 255 bytes");
    const OptionValue passwordValue = valueOf(values, kAccountPassword);
    const std::optional<std::string> password = customText(passwordValue, kAccountPassword);
    if (password && password->size() > settings::kPasswordRule.maxBytes)
        refuse(kAccountPassword, passwordValue, "is longer than 32 bytes");
    const std::optional<std::string> userNumber = customDigits(valueOf(values, kUserNumber), kUserNumber);

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
void putJobIdentity(const JobControlValues& values, const char* option, const char* key, JobOptions& out)
{
    if (const std::optional<std::string> text = customText(valueOf(values, option), option))
        put(out, key, jobIdentityHex(*text));
}

}  // namespace

std::span<const char* const> jobControlOptionNames()
{
    return kAllOptions;
}

JobOptions jobControlOptionsOf(const JobOptions& options)
{
    JobOptions own;
    for (const auto& [name, value] : options)
        for (const char* option : kAllOptions)
            if (equalsIgnoringCase(name, option))
                own[option] = value;
    return own;
}

std::vector<std::string> ppdJobControlOptions(const JobOptions& options)
{
    std::vector<std::string> present;
    for (const char* option : kAllOptions)
        if (const auto found = options.find(option); found != options.end() && !isUnset({found->second}))
            present.emplace_back(option);
    return present;
}

JobControlValues jobControlValues(const JobOptions& options, const JobOptions& queueDefaults)
{
    JobControlValues values{jobControlOptionsOf(options), jobControlOptionsOf(queueDefaults), {}};
    for (const char* attribute : {kJobPassword, kJobPasswordEncryption})
        if (const auto found = options.find(attribute); found != options.end())
            values.ipp[attribute] = found->second;
    return values;
}

std::optional<JobPIN> jobPIN(const JobControlValues& values)
{
    const std::optional<std::string> own = customDigits(ownValue(values, kHoldKey), kHoldKey);
    const std::optional<std::string> sent = jobPasswordPIN(values.ipp);
    if (own && sent && *own != *sent)
        throw JobNeedsSettings(
            "the job's options ARHoldKey and job-password give two different PINs; the job is "
            "not printed, since its owner could not know which one releases it");
    if (own)
        return JobPIN{*own, kHoldKey};
    if (sent)
        return JobPIN{*sent, kJobPassword};
    if (auto queued = customDigits(defaultValue(values, kHoldKey), kHoldKey))
        return JobPIN{*queued, "the queue's default ARHoldKey"};
    return std::nullopt;
}

bool queueHoldsEveryJob(const JobOptions& defaults)
{
    const JobControlValues queue{{}, jobControlOptionsOf(defaults), {}};
    return isOn(defaultValue(queue, kPrintRelease), kPrintRelease) ||
           isOn(defaultValue(queue, kDocFiling), kDocFiling) ||
           customDigits(defaultValue(queue, kHoldKey), kHoldKey).has_value();
}

JobOptions keysFromPPDOptions(const JobControlValues& values, const char* spoolTime)
{
    JobOptions out;
    const std::optional<JobPIN> pin = jobPIN(values);
    const bool anyOptionSet = std::any_of(kAllOptions, std::end(kAllOptions),
                                          [&](const char* option) { return !isUnset(valueOf(values, option)); });
    if (!pin && !anyOptionSet)
        return out;
    const std::size_t spoolTimeLength = std::strlen(spoolTime);
    out[keys::kSpoolTime] = hexOf(reinterpret_cast<const unsigned char*>(spoolTime), spoolTimeLength);
    putRetentionAndFiling(values, pin, spoolTime, out);
    putAuthentication(values, spoolTime, out);
    putJobIdentity(values, kUserName, keys::kUserName2, out);
    putJobIdentity(values, kJobName, keys::kJobName2, out);
    return out;
}

std::string pinDigestOf(const std::string& pin, const char* spoolTime)
{
    return settings::pinDigest(firstForm(pin, settings::kPINRule), spoolTime);
}

std::string jobIdentityHex(const std::string& text)
{
    TextBytes name = firstForm(text, settings::kJobIdentityRule);
    settings::convertJobIdentitySecondForm(text, name);
    return hexOf(name.bytes, name.count);
}

}  // namespace jobcontrol
