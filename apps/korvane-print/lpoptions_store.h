// The printer and options a user keeps as defaults, in ~/.cups/lpoptions as lp and lpoptions
// keep them, read and written through libcups.
#pragma once

#include <map>
#include <set>
#include <string>

// CUPS' own job options that a user can keep as defaults.
const std::set<std::string>& rememberableCupsOptions();

// The options the user keeps for the printer: CUPS' own rememberable ones and the printer's
// PPD options (ppdOptionNames); what cupsd says of the printer is left out.
std::map<std::string, std::string> savedPrinterOptions(const std::string& printer,
                                                       const std::set<std::string>& ppdOptionNames);

// Makes the printer the user's default and keeps these options for it, replacing the ones
// kept before; false, with a message in error, when the file cannot be written.
bool saveAsDefault(const std::string& printer, const std::map<std::string, std::string>& options,
                   const std::set<std::string>& ppdOptionNames, std::string* error);
