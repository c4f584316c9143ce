// The job's options as cupsd hands them to a filter (argv[5]), and the refusal that stops a job
// whose options would damage the device stream.
#pragma once

#include "settings/job_messages.h"

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace jobcontrol {

// A job the filter refuses: the message names the option, never its value (values are
// secrets and CUPS' log is readable by more people than the job's owner).
class JobRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A job refused because a job control value is missing or unusable, which its owner can put
// right: the message opens with the text by which the owner's desktop finds such jobs.
class JobNeedsSettings : public JobRefused {
public:
    explicit JobNeedsSettings(const std::string& why) : JobRefused(korvane::messages::kNeedsSettings + why) {}
};

// Option name to value; names compare as cupsd sends them.
using JobOptions = std::map<std::string, std::string>;

// Parses the options text of argv[5] as every CUPS filter does (cupsParseOptions): quotes and
// backslash escapes are undone; an option without value ("name") reads "true", one named
// "noname" reads name = "false".
JobOptions parseJobOptions(const char* text);

// The value of the one member of a collection value "{Name=value}" as CUPS writes it, for a
// custom option given with its parameter's name; nothing when value is no such collection.
std::optional<std::string> collectionMemberValue(std::string_view value);

}  // namespace jobcontrol
