#include "ppd_option_list.h"

#include <QString>

#include <cstring>

namespace {

// The PPD's human-readable text, or the keyword when it has none.
std::string textOr(const char* text, const char* keyword)
{
    return text && *text ? std::string(text) : std::string(keyword);
}

PPDOptionEntry::Kind kindOf(const ppd_option_t& option)
{
    switch (option.ui) {
    case PPD_UI_BOOLEAN:
        return PPDOptionEntry::Kind::Boolean;
    case PPD_UI_PICKMANY:
        return PPDOptionEntry::Kind::PickMany;
    default:
        return PPDOptionEntry::Kind::PickOne;
    }
}

// The parameters of the option's custom choice, in PPD order.
std::vector<PPDCustomParameter> customParametersOf(ppd_file_t* ppd, const ppd_option_t& option)
{
    std::vector<PPDCustomParameter> parameters;
    ppd_coption_t* custom = ppdFindCustomOption(ppd, option.keyword);
    if (!custom)
        return parameters;
    for (ppd_cparam_t* param = ppdFirstCustomParam(custom); param; param = ppdNextCustomParam(custom)) {
        PPDCustomParameter entry;
        entry.name = param->name;
        entry.text = textOr(param->text, param->name);
        entry.type = param->type;
        switch (param->type) {
        case PPD_CUSTOM_INT:
            entry.minimum = param->minimum.custom_int;
            entry.maximum = param->maximum.custom_int;
            break;
        case PPD_CUSTOM_REAL:
        case PPD_CUSTOM_CURVE:
        case PPD_CUSTOM_INVCURVE:
        case PPD_CUSTOM_POINTS:
            entry.minimum = param->minimum.custom_real;
            entry.maximum = param->maximum.custom_real;
            break;
        case PPD_CUSTOM_STRING:
        case PPD_CUSTOM_PASSCODE:
        case PPD_CUSTOM_PASSWORD:
            entry.minimum = param->minimum.custom_string;
            entry.maximum = param->maximum.custom_string;
            break;
        default:
            break;
        }
        parameters.push_back(std::move(entry));
    }
    return parameters;
}

PPDOptionEntry entryOf(ppd_file_t* ppd, ppd_option_t& option)
{
    PPDOptionEntry entry;
    entry.keyword = option.keyword;
    entry.text = textOr(option.text, option.keyword);
    entry.kind = kindOf(option);
    for (int i = 0; i < option.num_choices; ++i) {
        const ppd_choice_t& choice = option.choices[i];
        if (std::strcmp(choice.choice, "Custom") == 0)
            continue;
        entry.choices.push_back({choice.choice, textOr(choice.text, choice.choice)});
    }
    const ppd_choice_t* marked = ppdFindMarkedChoice(ppd, option.keyword);
    entry.current = marked ? marked->choice : option.defchoice;
    entry.customParameters = customParametersOf(ppd, option);
    return entry;
}

// A parameter's value as cupsParseOptions reads it back whole: as it is when nothing in it is
// special to the parser, else in double quotes with quotes and backslashes escaped.
std::string quotedOptionValue(const std::string& value)
{
    if (!value.empty() && value.find_first_of(" \t\n\r\v\f\"'\\{}") == std::string::npos)
        return value;
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

bool isInstallableGroup(const ppd_group_t& group)
{
    return std::strcmp(group.name, "InstallableOptions") == 0;
}

// Adds the group's options and its subgroups' to out, leaving out the hidden ones.
void collectOptions(ppd_file_t* ppd, ppd_group_t& group, const std::set<std::string>& hidden,
                    std::vector<PPDOptionEntry>& out)
{
    for (int i = 0; i < group.num_options; ++i) {
        ppd_option_t& option = group.options[i];
        if (hidden.count(option.keyword) || optionsOfTheDialogsPages().count(option.keyword))
            continue;
        out.push_back(entryOf(ppd, option));
    }
    for (int i = 0; i < group.num_subgroups; ++i)
        collectOptions(ppd, group.subgroups[i], hidden, out);
}

}  // namespace

const std::set<std::string>& optionsOfTheDialogsPages()
{
    // PageRegion follows PageSize; the dialog's paper size sets both.
    static const std::set<std::string> names{"PageSize", "PageRegion", "Duplex", "cupsSides"};
    return names;
}

std::vector<PPDOptionGroup> otherPPDOptions(ppd_file_t* ppd, const std::set<std::string>& hidden)
{
    std::vector<PPDOptionGroup> groups;
    if (!ppd)
        return groups;
    for (int i = 0; i < ppd->num_groups; ++i) {
        ppd_group_t& group = ppd->groups[i];
        if (isInstallableGroup(group))
            continue;
        PPDOptionGroup entry{group.name, textOr(group.text, group.name), {}};
        collectOptions(ppd, group, hidden, entry.options);
        if (!entry.options.empty())
            groups.push_back(std::move(entry));
    }
    return groups;
}

PPDOptionEntry describePPDOption(ppd_file_t* ppd, const char* keyword)
{
    ppd_option_t* option = ppd ? ppdFindOption(ppd, keyword) : nullptr;
    return option ? entryOf(ppd, *option) : PPDOptionEntry{};
}

bool customValueFits(const PPDCustomParameter& parameter, const std::string& value, std::string* error)
{
    const std::string from = QString::number(parameter.minimum).toStdString();
    const std::string to = QString::number(parameter.maximum).toStdString();
    const auto bounds = [&](const std::string& what) {
        return parameter.text + " takes " + what + " from " + from + " to " + to + ", not \"" + value + "\"";
    };
    switch (parameter.type) {
    case PPD_CUSTOM_INT: {
        bool ok = false;
        const long number = QString::fromStdString(value).toLong(&ok);
        if (!ok || number < parameter.minimum || number > parameter.maximum) {
            *error = bounds("a whole number");
            return false;
        }
        break;
    }
    case PPD_CUSTOM_REAL:
    case PPD_CUSTOM_POINTS:
    case PPD_CUSTOM_CURVE:
    case PPD_CUSTOM_INVCURVE: {
        bool ok = false;
        const double number = QString::fromStdString(value).toDouble(&ok);
        if (!ok || number < parameter.minimum || number > parameter.maximum) {
            *error = bounds("a number");
            return false;
        }
        break;
    }
    case PPD_CUSTOM_STRING:
    case PPD_CUSTOM_PASSCODE:
    case PPD_CUSTOM_PASSWORD: {
        const auto length = QString::fromStdString(value).size();
        if (length < parameter.minimum || length > parameter.maximum) {
            *error = parameter.text + " takes " + from + " to " + to + " characters, not \"" + value + "\"";
            return false;
        }
        break;
    }
    default:
        break;
    }
    return true;
}

std::string customChoiceValue(const PPDOptionEntry& option, const std::vector<std::string>& values)
{
    if (option.customParameters.size() == 1 && !values.empty())
        return "Custom." + values.front();
    std::string value = "{";
    for (std::size_t i = 0; i < option.customParameters.size() && i < values.size(); ++i)
        value += (i ? " " : "") + option.customParameters[i].name + "=" + quotedOptionValue(values[i]);
    return value + "}";
}
