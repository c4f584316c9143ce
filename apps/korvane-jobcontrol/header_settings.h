// The SET lines of the job-control header, made from the panel's print-settings keys: every
// stored form travels unchanged once it is checked against its form.
#pragma once

#include "job_options.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jobcontrol {

// One "@KJC SET NAME="VALUE"" line's name and value.
struct HeaderSetting {
    std::string name;
    std::string value;
    bool operator==(const HeaderSetting&) const = default;
};

// Whether text is minDigits to maxDigits decimal digits, as the header's number forms are.
bool isDigitsForm(std::string_view text, std::size_t minDigits, std::size_t maxDigits);

// The hex of a text's bytes, the form in which the header carries texts.
std::string hexOf(std::string_view text);

// Whether the options carry any of the panel's keys (the "korvane.print.PrintSettings." prefix).
bool hasPanelKeys(const JobOptions& options);

// The header's settings, in the header's order, from the panel's keys among options, the
// job's user (argv[2]) and its title (argv[3]). Throws JobRefused, naming the key, when a value
// does not have its form, or when a digest or spool-key form comes without the spool time it
// needs.
std::vector<HeaderSetting> headerSettingsFromKeys(const JobOptions& options, std::string_view user,
                                                  std::string_view title);

// The value of the header's setting name; nothing when it does not carry it.
std::optional<std::string> settingValue(const std::vector<HeaderSetting>& settings, std::string_view name);

// Sets the setting name to value, in its place in the header's order (the table of
// docs/device-stream.md), replacing a setting of that name.
void setHeaderSetting(std::vector<HeaderSetting>& settings, const std::string& name, const std::string& value);

}  // namespace jobcontrol
