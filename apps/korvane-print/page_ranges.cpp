#include "page_ranges.h"

#include <cctype>

namespace {

// The largest page number a user can type; well beyond any document, far from overflow.
constexpr long kMaxPageNumber = 999999;

// The text without blanks at either end.
std::string trimmed(const std::string& text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return text.substr(begin, end - begin);
}

// A page number of digits only; nothing, with a message, for anything else or page 0.
std::optional<int> pageNumber(const std::string& text, const std::string& part, std::string* error)
{
    if (text.empty() || text.size() > 6) {
        *error = text.empty() ? "\"" + part + "\" is not a page range: write it like 1-3 or 7"
                              : "page " + text + " is beyond the last page korvane-print can print (" +
                                    std::to_string(kMaxPageNumber) + ")";
        return std::nullopt;
    }
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            *error = "\"" + part + "\" is not a page range: write page numbers like 1-3,7";
            return std::nullopt;
        }
    }
    const int number = std::stoi(text);
    if (number == 0) {
        *error = "there is no page 0 in \"" + part + "\": pages are counted from 1";
        return std::nullopt;
    }
    return number;
}

// One part between commas: "7", "1-3", "5-" or "-5" (from the first page, as CUPS reads it).
std::optional<PageRange> parseRange(const std::string& part, std::string* error)
{
    const std::size_t dash = part.find('-');
    if (dash == std::string::npos) {
        auto page = pageNumber(part, part, error);
        if (!page)
            return std::nullopt;
        return PageRange{*page, *page};
    }
    const std::string firstText = trimmed(part.substr(0, dash));
    if (firstText.empty() && trimmed(part.substr(dash + 1)).empty()) {
        *error = "\"" + part + "\" is not a page range: write it like 1-3, 5- or -5";
        return std::nullopt;
    }
    auto first = firstText.empty() ? std::optional<int>(1) : pageNumber(firstText, part, error);
    if (!first)
        return std::nullopt;
    const std::string lastText = trimmed(part.substr(dash + 1));
    if (lastText.empty())
        return PageRange{*first, kLastPage};
    auto last = pageNumber(lastText, part, error);
    if (!last)
        return std::nullopt;
    if (*last < *first) {
        *error = "the range " + part + " runs backwards: write " + lastText + "-" + std::to_string(*first);
        return std::nullopt;
    }
    return PageRange{*first, *last};
}

std::string formatRange(const PageRange& range)
{
    if (range.first == range.last)
        return std::to_string(range.first);
    return std::to_string(range.first) + "-" + (range.last == kLastPage ? "" : std::to_string(range.last));
}

}  // namespace

std::optional<std::vector<PageRange>> parsePageRanges(const std::string& text, std::string* error)
{
    std::vector<PageRange> ranges;
    if (trimmed(text).empty())
        return ranges;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string part =
            trimmed(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (part.empty()) {
            *error = "\"" + text + "\" has an empty range between commas";
            return std::nullopt;
        }
        auto range = parseRange(part, error);
        if (!range)
            return std::nullopt;
        if (!ranges.empty() && range->first <= ranges.back().last) {
            *error = "the ranges must go up without overlapping: " + formatRange(*range) + " comes after " +
                     formatRange(ranges.back());
            return std::nullopt;
        }
        ranges.push_back(*range);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return ranges;
}

std::string formatPageRanges(const std::vector<PageRange>& ranges)
{
    std::string text;
    for (const PageRange& range : ranges)
        text += (text.empty() ? "" : ",") + formatRange(range);
    return text;
}
