#include "held_job_settings.h"

#include "cups_submit.h"
#include "dialog_parts.h"
#include "job_secrets.h"
#include "settings/sealed_options.h"

#include <strings.h>

#include <algorithm>

namespace {

// The print settings' keys, which only the Job Control tab writes.
constexpr const char* kTabKeyPrefix = "korvane.print.PrintSettings.";

bool isTabKey(const std::string& name)
{
    return name.rfind(kTabKeyPrefix, 0) == 0;
}

// Whether a PPD option's value leaves its setting off, as the filter reads it.
bool isOff(const std::string& value)
{
    return value.empty() || !strcasecmp(value.c_str(), "None") || !strcasecmp(value.c_str(), "False");
}

bool isTrue(const std::optional<std::string>& value)
{
    return value && !strcasecmp(value->c_str(), "True");
}

// Whether text is first to last decimal digits.
bool isDigits(const std::string& text, std::size_t first, std::size_t last)
{
    return text.size() >= first && text.size() <= last &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Collects what the tab starts from out of the job's PPD job control options.
class PPDOptionReader {
public:
    PPDOptionReader(const HeldJob& job, HeldJobStart& start) : job_(job), start_(start) {}

    // The option's value when the job sets it (not to None or False).
    std::optional<std::string> chosen(const char* name) const
    {
        const auto found = job_.options.find(name);
        if (found == job_.options.end() || isOff(found->second))
            return std::nullopt;
        return found->second;
    }

    // The value of a custom option ("Custom.VALUE", in either case, as CUPS hands it on); a
    // note asking for it when the job chose the option without a usable value.
    std::optional<std::string> customValue(const char* name, const char* what)
    {
        const std::optional<std::string> value = chosen(name);
        if (!value)
            return std::nullopt;
        if (value->size() > 7 && !strncasecmp(value->c_str(), "Custom.", 7))
            return value->substr(7);
        note(std::string("The application chose a ") + what + " but sent none that the tab can take: type it.");
        return std::nullopt;
    }

    void set(const char* outlet, const std::string& value)
    {
        start_.operations.push_back({ControlOperation::Kind::Set, outlet, value});
    }
    void note(std::string text) { start_.notes.push_back(std::move(text)); }

private:
    const HeldJob& job_;
    HeldJobStart& start_;
};

// Retention: any of the PIN, print release or document retention holds the job at the printer.
void readRetention(PPDOptionReader& reader)
{
    std::optional<std::string> pin = reader.customValue("ARHoldKey", "PIN");
    if (pin && !isDigits(*pin, 1, 5)) {
        reader.note("The PIN the application sent is not one this printer takes (1 to 5 digits): type it again.");
        pin.reset();
    }
    const bool held =
        reader.chosen("ARHoldKey") || isTrue(reader.chosen("ARPrintRelease")) || isTrue(reader.chosen("ARDocFiling"));
    if (!held)
        return;
    reader.set("retentionCheckBox", "1");
    reader.set("suspendMatrix", "0");
    if (pin)
        reader.set("suspendKeyEditText", *pin);
}

// Authentication: a login name and password, else a user number, as the filter reads them.
void readAuthentication(PPDOptionReader& reader)
{
    const std::optional<std::string> login = reader.customValue("ARAccountLogin", "login name");
    const std::optional<std::string> password = reader.customValue("ARAccountPassword", "password");
    std::optional<std::string> number = reader.customValue("ARUserNumber", "user number");
    if (number && !isDigits(*number, 1, 8)) {
        reader.note("The user number the application sent is not 1 to 8 digits: type it again.");
        number.reset();
    }
    if (login || password) {
        reader.set("authenticationMatrix", "0");
        if (login)
            reader.set("loginNameEditText", *login);
        if (password)
            reader.set("passwordEditText", *password);
        if (number)
            reader.note("The application sent a login and a user number: the tab keeps the login.");
    } else if (number) {
        reader.set("authenticationMatrix", "1");
        reader.set("userNumberEditText", *number);
    }
}

// Filing and the job's identification.
void readFilingAndNames(PPDOptionReader& reader)
{
    std::optional<std::string> folderPassword = reader.customValue("ARCustomFolderPIN", "folder password");
    if (folderPassword && !isDigits(*folderPassword, 1, 5)) {
        reader.note("The folder password the application sent is not 1 to 5 digits: type it again.");
        folderPassword.reset();
    }
    if (folderPassword)
        reader.set("folderPasswordEditText", *folderPassword);
    if (reader.chosen("ARDocumentFiling") || reader.chosen("ARCustomFolderName"))
        reader.note("The application chose a folder to file the job in; the tab files no jobs on this printer model.");
    if (auto name = reader.customValue("ARUserName", "user name"))
        reader.set("userNameEditText", *name);
    if (auto name = reader.customValue("ARJobName", "job name"))
        reader.set("jobNameEditText", *name);
}

// The PPD's choice that leaves the option off: None, else False; nothing when it has neither.
std::optional<std::string> offChoice(ppd_file_t* ppd, const std::string& name)
{
    ppd_option_t* option = ppd ? ppdFindOption(ppd, name.c_str()) : nullptr;
    for (const char* off : {"None", "False"})
        if (option && ppdFindChoice(option, off))
            return std::string(off);
    return std::nullopt;
}

}  // namespace

HeldJobStart startFor(const HeldJob& job)
{
    HeldJobStart start;
    start.settings.setJobName(job.title);
    bool sealed = false;
    for (const auto& [name, value] : job.options) {
        if (!isTabKey(name) || value.empty())
            continue;
        if (name.rfind(korvane::settings::kSealedPrefix, 0) == 0)
            sealed = true;
        else
            start.settings.setValue(name, value);
    }
    if (sealed)
        start.notes.emplace_back(
            "The PIN, passwords and numbers the job carries are sealed for the printer and cannot be shown: type "
            "them again.");
    // The tab's keys win over the PPD's options at the filter, so they win here too.
    if (start.settings.values().empty()) {
        PPDOptionReader reader(job, start);
        readRetention(reader);
        readAuthentication(reader);
        readFilingAndNames(reader);
    }
    return start;
}

std::vector<std::string> carryIntoTab(QWidget* view, const std::vector<ControlOperation>& operations)
{
    std::vector<std::string> notes;
    for (const ControlOperation& operation : operations) {
        std::string refusal;
        if (!applyOperation(view, operation, &refusal))
            notes.push_back("The job's value could not be carried into the tab: " + refusal);
    }
    return notes;
}

std::optional<JobAnswer> answerFor(const HeldJob& job, const platform::PrintSettings& settings,
                                   const std::set<std::string>& optionKeys, ppd_file_t* ppd, const std::string& user,
                                   std::string* error)
{
    std::map<std::string, std::string> keys;
    for (const auto& [name, value] : settings.values())
        if (isTabKey(name))
            keys[name] = value;
    if (!sealJobSecrets(keys, ppd, user, error))
        return std::nullopt;
    for (const auto& [name, value] : keys)
        if (!optionCanTravel(name, value, error))
            return std::nullopt;
    JobAnswer answer;
    answer.set = keys;
    for (const auto& [name, value] : job.options) {
        if (value.empty() || (isTabKey(name) && keys.count(name)))
            continue;
        if (isTabKey(name)) {
            answer.removed.push_back(name);
        } else if (optionKeys.count(name) && !isOff(value)) {
            if (auto off = offChoice(ppd, name))
                answer.set[name] = *off;
            else
                answer.removed.push_back(name);
        }
    }
    return answer;
}
