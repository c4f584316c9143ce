#include "header_settings.h"

#include "crypto/hex.h"
#include "settings/keys.h"

#include <algorithm>
#include <optional>

namespace jobcontrol {

namespace keys = korvane::keys;

namespace {

constexpr std::string_view kPanelKeyPrefix = "korvane.print.PrintSettings.";
// The spool-time text keys AES with its last 16 bytes and is held in 64 bytes.
constexpr std::size_t kMinSpoolTimeLength = 16;
constexpr std::size_t kMaxSpoolTimeLength = 63;
// The longest value of a SET line.
constexpr std::size_t kMaxValueLength = 1000;

// The settings in the order the header carries them.
constexpr std::string_view kHeaderOrder[] = {
    "SUBMITTER",      "TITLE",     "SPOOLTIME", "RETENTION",  "PINDIGEST", "FILING",   "FOLDER", "FOLDERPASSWORDDIGEST",
    "AUTHENTICATION", "LOGINNAME", "PASSWORD",  "USERNUMBER", "ACCOUNT",   "USERNAME", "JOBNAME"};

// A setting's place in the header's order.
std::size_t placeInHeader(std::string_view name)
{
    return static_cast<std::size_t>(std::find(std::begin(kHeaderOrder), std::end(kHeaderOrder), name) -
                                    std::begin(kHeaderOrder));
}

// The value of key, or nothing when it is absent or empty (the panel removes a key rather
// than leave it empty).
std::optional<std::string> valueOf(const JobOptions& options, std::string_view key)
{
    const auto found = options.find(std::string(key));
    if (found == options.end() || found->second.empty())
        return std::nullopt;
    return found->second;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Whether text is uppercase hex, two digits a byte.
bool isHexForm(std::string_view text)
{
    return !text.empty() && text.size() % 2 == 0 &&
           std::all_of(text.begin(), text.end(), [](char c) { return isDigit(c) || (c >= 'A' && c <= 'F'); });
}

// Whether text is an MD5 digest: 32 lowercase hex digits.
bool isDigestForm(std::string_view text)
{
    return text.size() == 32 &&
           std::all_of(text.begin(), text.end(), [](char c) { return isDigit(c) || (c >= 'a' && c <= 'f'); });
}

// Whether text is Base64 of the standard alphabet, padded to whole quads.
bool isBase64Form(std::string_view text)
{
    if (text.empty() || text.size() % 4 != 0)
        return false;
    const std::size_t padding = text.size() - text.find_last_not_of('=') - 1;
    if (padding > 2)
        return false;
    return std::all_of(text.begin(), text.end() - static_cast<std::ptrdiff_t>(padding), [](char c) {
        return isDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '+' || c == '/';
    });
}

// Whether the hex text decodes to a spool-time text: printable ASCII, long enough to key AES,
// short enough for the 64-byte buffer of the job's later stages.
bool isSpoolTimeForm(std::string_view hex)
{
    if (!isHexForm(hex))
        return false;
    const std::vector<unsigned char> text = korvane::crypto::fromHex(hex);
    return text.size() >= kMinSpoolTimeLength && text.size() <= kMaxSpoolTimeLength &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return c >= 0x20 && c <= 0x7E; });
}

[[noreturn]] void refuse(std::string_view key, std::string_view form)
{
    throw JobRefused("the job's option " + std::string(key) + " is not " + std::string(form) +
                     " of at most 1000 characters; the job is not printed, so that it never prints without its "
                     "settings");
}

// The value of key when it has its form; throws when it is present without it.
template <typename Check>
std::optional<std::string> checkedValue(const JobOptions& options, std::string_view key, std::string_view form,
                                        Check hasForm)
{
    std::optional<std::string> value = valueOf(options, key);
    if (value && (value->size() > kMaxValueLength || !hasForm(*value)))
        refuse(key, form);
    return value;
}

// The word of a one-digit key's value in a table of words for "0", "1", ...
std::optional<std::string> wordOfDigit(const JobOptions& options, std::string_view key,
                                       const std::vector<const char*>& words)
{
    const std::optional<std::string> value = valueOf(options, key);
    if (!value)
        return std::nullopt;
    if (value->size() != 1 || (*value)[0] < '0' || static_cast<std::size_t>((*value)[0] - '0') >= words.size())
        refuse(key, "one of its digits");
    return std::string(words[static_cast<std::size_t>((*value)[0] - '0')]);
}

// The login name's spool-key form: its numbered pieces joined in order.
std::optional<std::string> loginNameJobForm(const JobOptions& options)
{
    std::string joined;
    for (int piece = 1;; ++piece) {
        const std::optional<std::string> value =
            valueOf(options, std::string(keys::kLoginName0Prefix) + std::to_string(piece));
        if (!value)
            break;
        joined += *value;
    }
    if (joined.empty())
        return std::nullopt;
    if (joined.size() > kMaxValueLength || !isBase64Form(joined))
        refuse(std::string(keys::kLoginName0Prefix) + "1", "Base64 text");
    return joined;
}

// The value of the first of two keys that is present, checked as hex.
std::optional<std::string> hexOfEither(const JobOptions& options, std::string_view first, std::string_view second)
{
    const std::string_view key = valueOf(options, first) ? first : second;
    return checkedValue(options, key, "hex text", isHexForm);
}

// Appends a setting when it has a value.
void add(std::vector<HeaderSetting>& settings, const char* name, const std::optional<std::string>& value)
{
    if (value)
        settings.push_back({name, *value});
}

}  // namespace

bool isDigitsForm(std::string_view text, std::size_t minDigits, std::size_t maxDigits)
{
    return text.size() >= minDigits && text.size() <= maxDigits &&
           std::all_of(text.begin(), text.end(), [](char c) { return isDigit(c); });
}

std::string hexOf(std::string_view text)
{
    return korvane::crypto::toHex(std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
}

bool hasPanelKeys(const JobOptions& options)
{
    return std::any_of(options.begin(), options.end(),
                       [](const auto& option) { return option.first.starts_with(kPanelKeyPrefix); });
}

std::optional<std::string> settingValue(const std::vector<HeaderSetting>& settings, std::string_view name)
{
    const auto found =
        std::find_if(settings.begin(), settings.end(), [&](const HeaderSetting& s) { return s.name == name; });
    if (found == settings.end())
        return std::nullopt;
    return found->value;
}

void setHeaderSetting(std::vector<HeaderSetting>& settings, const std::string& name, const std::string& value)
{
    const std::size_t place = placeInHeader(name);
    auto at = settings.begin();
    while (at != settings.end() && placeInHeader(at->name) < place)
        ++at;
    if (at != settings.end() && at->name == name)
        at->value = value;
    else
        settings.insert(at, {name, value});
}

std::vector<HeaderSetting> headerSettingsFromKeys(const JobOptions& options, std::string_view user,
                                                  std::string_view title)
{
    const auto spoolTime = checkedValue(options, keys::kSpoolTime, "a spool-time text in hex", isSpoolTimeForm);
    const auto pinDigest = checkedValue(options, keys::kJobSuspendKey, "an MD5 digest", isDigestForm);
    const auto folderPasswordDigest = checkedValue(options, keys::kFolderPassword, "an MD5 digest", isDigestForm);
    const auto loginName = loginNameJobForm(options);
    const auto password = checkedValue(options, keys::kPassword, "Base64 text", isBase64Form);
    const auto userNumber = checkedValue(options, keys::kUserNumber, "a user number of 5 to 8 digits",
                                         [](std::string_view v) { return isDigitsForm(v, 5, 8); });
    const auto account = checkedValue(options, keys::kAccountNumber, "an account number of 5 digits",
                                      [](std::string_view v) { return isDigitsForm(v, 5, 5); });
    if (!spoolTime && (pinDigest || folderPasswordDigest || loginName || password))
        throw JobRefused("the job's PIN, password or login forms come without " + std::string(keys::kSpoolTime) +
                         ", so the printer could not check them; the job is not printed");

    std::optional<std::string> authentication = wordOfDigit(options, keys::kAuthentication, {"USERNUMBER", "LOGIN"});
    // The printer authenticates only with the credentials the mode names.
    if ((authentication == "LOGIN" && !loginName) || (authentication == "USERNUMBER" && !userNumber))
        authentication.reset();

    std::vector<HeaderSetting> settings;
    if (!user.empty())
        settings.push_back({"SUBMITTER", hexOf(user)});
    if (!title.empty())
        settings.push_back({"TITLE", hexOf(title)});
    add(settings, "SPOOLTIME", spoolTime);
    add(settings, "RETENTION", wordOfDigit(options, keys::kJobSuspend, {"NONE", "HOLDAFTERPRINT", "HOLD", "SAMPLE"}));
    add(settings, "PINDIGEST", pinDigest);
    add(settings, "FILING", wordOfDigit(options, keys::kFiling, {"NONE", "QUICK", "MAIN", "CUSTOM"}));
    add(settings, "FOLDER", hexOfEither(options, keys::kFolderPath2, keys::kFolderPath));
    add(settings, "FOLDERPASSWORDDIGEST", folderPasswordDigest);
    add(settings, "AUTHENTICATION", authentication);
    add(settings, "LOGINNAME", loginName);
    add(settings, "PASSWORD", password);
    add(settings, "USERNUMBER", userNumber);
    add(settings, "ACCOUNT", account);
    add(settings, "USERNAME", hexOfEither(options, keys::kUserName2, keys::kUserName));
    add(settings, "JOBNAME", hexOfEither(options, keys::kJobName2, keys::kJobName));
    return settings;
}

}  // namespace jobcontrol
