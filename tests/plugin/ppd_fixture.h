// Writes small PPD files for tests: the sample PPD with lines replaced or added.
#pragma once

#include <QTemporaryDir>

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

class PPDFixture {
public:
    // The sample PPD with each "*Keyword" line of `replace` swapped for the given line (or the
    // line added when the keyword is missing; an empty line removes it). Bytes are written as
    // given, so a Latin-1 model name can be tested.
    std::string write(const std::vector<std::pair<std::string, std::string>>& replace);

private:
    QTemporaryDir dir_;
    int count_ = 0;
};

}  // namespace testing_support
