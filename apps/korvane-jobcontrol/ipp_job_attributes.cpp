#include "ipp_job_attributes.h"

#include "ppd_job_control.h"
#include "settings/text_bytes.h"

#include <strings.h>

namespace jobcontrol {

namespace {

// The printer counts pages by account numbers of at most 5 digits, as the panel's field takes them.
constexpr std::size_t kMaxAccountDigits = 5;

// The attribute's value, or nothing when the job does not send it or sends it empty.
std::optional<std::string> attributeValue(const JobOptions& options, const char* name)
{
    const auto found = options.find(name);
    if (found == options.end() || found->second.empty())
        return std::nullopt;
    return found->second;
}

// The account number's form in the header: zero-filled to 5 digits.
std::string zeroFilledAccount(const std::string& digits)
{
    char padded[16];
    korvane::settings::padNumber(digits.c_str(), padded, sizeof padded);
    return padded;
}

// The account number the job's attributes give. job-account-id is IPP's attribute for exactly
// this accounting, so a value the printer cannot count by is refused rather than dropped: the
// job would be counted to no account, or to a wrong one, without a word. job-billing is free
// text that other accounting uses too; it counts only when it is an account number.
std::optional<std::string> accountOfAttributes(const JobOptions& options, std::vector<std::string>& notes)
{
    if (const auto account = attributeValue(options, kJobAccountId)) {
        if (!isDigitsForm(*account, 1, kMaxAccountDigits))
            throw JobNeedsSettings(
                "the job's job-account-id must be an account number of 1 to 5 digits, the "
                "numbers the printer counts pages by; the job is not printed, so that its pages "
                "are never counted to another account");
        return zeroFilledAccount(*account);
    }
    if (const auto billing = attributeValue(options, kJobBilling)) {
        if (isDigitsForm(*billing, 1, kMaxAccountDigits))
            return zeroFilledAccount(*billing);
        notes.push_back(
            "The job's billing information is no account number of 1 to 5 digits, so the printer counts "
            "the job to no account");
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> jobPasswordPIN(const JobOptions& options)
{
    const std::optional<std::string> password = attributeValue(options, kJobPassword);
    if (!password)
        return std::nullopt;
    const std::optional<std::string> encryption = attributeValue(options, kJobPasswordEncryption);
    if (encryption && strcasecmp(encryption->c_str(), "none") != 0)
        throw JobNeedsSettings(
            "the job's PIN comes in job-password hashed (job-password-encryption is not none), "
            "and the printer can only check the PIN itself; send it without encryption");
    if (!isDigitsForm(*password, 1, 8))
        throw JobNeedsSettings(
            "the job's job-password must be a PIN of 1 to 8 digits, which the printer's keypad "
            "takes; the job is not printed, so that it never prints without its hold");
    return password;
}

void addIPPAccounting(const JobOptions& options, std::vector<HeaderSetting>& settings, std::vector<std::string>& notes)
{
    if (!settingValue(settings, "ACCOUNT")) {
        if (const auto account = accountOfAttributes(options, notes))
            setHeaderSetting(settings, "ACCOUNT", *account);
    }
    if (!settingValue(settings, "USERNAME")) {
        if (const auto user = attributeValue(options, kJobAccountingUserId)) {
            if (const std::string hex = jobIdentityHex(*user); !hex.empty())
                setHeaderSetting(settings, "USERNAME", hex);
        }
    }
}

}  // namespace jobcontrol
