// The printer's own options as the dialog presents them: the PPD's groups, options, choices
// and custom parameters, in plain types.
#pragma once

#include <cups/ppd.h>

#include <set>
#include <string>
#include <vector>

struct PPDChoiceEntry {
    std::string keyword;
    std::string text;  // the choice's human-readable text, else its keyword
};

// One parameter of a custom option (*ParamCustomKEYWORD).
struct PPDCustomParameter {
    std::string name;
    std::string text;
    ppd_cptype_t type = PPD_CUSTOM_UNKNOWN;
    double minimum = 0;  // the bounds of a number, the length of a text
    double maximum = 0;
};

struct PPDOptionEntry {
    enum class Kind { PickOne, PickMany, Boolean };
    std::string keyword;
    std::string text;
    Kind kind = Kind::PickOne;
    std::vector<PPDChoiceEntry> choices;               // in PPD order; "Custom" is not among them
    std::string current;                               // the marked choice, else the default
    std::vector<PPDCustomParameter> customParameters;  // empty: the option has no custom choice
};

struct PPDOptionGroup {
    std::string name;
    std::string text;
    std::vector<PPDOptionEntry> options;
};

// The options the dialog shows on its own pages (paper size, two-sided), not among the
// printer's other options.
const std::set<std::string>& optionsOfTheDialogsPages();

// The PPD's options in its groups (subgroups flattened into their group), without the
// options named in hidden, the dialog's own, and the installable ones, which describe the
// printer's hardware rather than the job. Groups left empty are left out.
std::vector<PPDOptionGroup> otherPPDOptions(ppd_file_t* ppd, const std::set<std::string>& hidden);

// One option of the PPD in the same form; an entry without keyword when the PPD has none.
PPDOptionEntry describePPDOption(ppd_file_t* ppd, const char* keyword);

// Whether a value suits a custom parameter; false, with why in error (a number out of its
// bounds, a text of the wrong length).
bool customValueFits(const PPDCustomParameter& parameter, const std::string& value, std::string* error);

// A value that ppdMarkOption accepts for the option's custom choice:
// "Custom.VALUE" for a single parameter, "{NAME=VALUE ...}" for several, where a value with
// blanks, quotes, backslashes or braces is quoted so that it is read back whole.
std::string customChoiceValue(const PPDOptionEntry& option, const std::vector<std::string>& values);
