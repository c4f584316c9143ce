// The pages of a job, as a user types them: "1-3,7", "5-" to the end, "-5" from the first.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct PageRange {
    int first = 1;
    int last = 1;  // kLastPage: to the end of the document
    bool operator==(const PageRange&) const = default;
};

// The last page of a range that runs to the end, as IPP writes it.
inline constexpr int kLastPage = 2147483647;

// The ranges of a text such as "1-3,7", "5-" or "-5" (blanks allowed around the parts), in the
// order given; an empty list for an empty text (all pages). Nothing, with a message in error,
// for a range that runs backwards, a page 0, a text that is not a range, or ranges that do not
// go up without overlapping (CUPS takes them only that way).
std::optional<std::vector<PageRange>> parsePageRanges(const std::string& text, std::string* error);

// The ranges as CUPS' page-ranges option writes them: "1-3,7,9-".
std::string formatPageRanges(const std::vector<PageRange>& ranges);
