#include "ppd_fixture.h"

#include "support/test_host.h"

#include <fstream>
#include <sstream>

namespace testing_support {

std::string PPDFixture::write(const std::vector<std::pair<std::string, std::string>>& replace)
{
    std::ifstream in(TestHost::samplePPD(), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    for (const auto& [keyword, newLine] : replace) {
        bool found = false;
        for (auto it = lines.begin(); it != lines.end(); ++it) {
            if (it->rfind(keyword + ":", 0) == 0) {
                found = true;
                if (newLine.empty())
                    lines.erase(it);
                else
                    *it = newLine;
                break;
            }
        }
        if (!found && !newLine.empty())
            lines.insert(lines.begin() + 5, newLine);
    }
    const std::string path = dir_.path().toStdString() + "/test" + std::to_string(++count_) + ".ppd";
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : lines)
        out << line << "\n";
    return path;
}

}  // namespace testing_support
