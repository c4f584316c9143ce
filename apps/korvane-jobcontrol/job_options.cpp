#include "job_options.h"

#include <cups/cups.h>

#include <memory>

namespace jobcontrol {

namespace {

// Frees an option array that cupsParseOptions made.
class ParsedOptions {
public:
    explicit ParsedOptions(const char* text) : count_(cupsParseOptions(text, 0, &options_)) {}
    ~ParsedOptions() { cupsFreeOptions(count_, options_); }
    ParsedOptions(const ParsedOptions&) = delete;
    ParsedOptions& operator=(const ParsedOptions&) = delete;

    int count() const { return count_; }
    const cups_option_t& operator[](int index) const { return options_[index]; }

private:
    cups_option_t* options_ = nullptr;
    int count_ = 0;
};

}  // namespace

JobOptions parseJobOptions(const char* text)
{
    JobOptions options;
    if (!text)
        return options;
    const ParsedOptions parsed(text);
    for (int i = 0; i < parsed.count(); ++i)
        options[parsed[i].name] = parsed[i].value ? parsed[i].value : "";
    return options;
}

std::optional<std::string> collectionMemberValue(std::string_view value)
{
    if (value.size() < 2 || value.front() != '{' || value.back() != '}')
        return std::nullopt;
    const std::string members(value.substr(1, value.size() - 2));
    const ParsedOptions parsed(members.c_str());
    if (parsed.count() != 1 || !parsed[0].value)
        return std::nullopt;
    return std::string(parsed[0].value);
}

}  // namespace jobcontrol
