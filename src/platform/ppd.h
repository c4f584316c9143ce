// A PPD file opened with libcups, closed when it goes.
#pragma once

#include "platform/ppd_view.h"

#include <memory>
#include <optional>
#include <string>

namespace platform {

class PPDFile {
public:
    // Opens and marks the defaults; nothing when the file is missing or not a PPD.
    static std::optional<PPDFile> open(const std::string& path);

    PPDRecord* get() const { return ppd_.get(); }
    const std::string& path() const { return path_; }

    // The value of the first attribute of that name, or nothing.
    std::optional<std::string> attribute(const char* name) const;

private:
    struct Closer {
        void operator()(PPDRecord* ppd) const;
    };
    PPDFile(PPDRecord* ppd, std::string path) : ppd_(ppd), path_(std::move(path)) {}

    std::unique_ptr<PPDRecord, Closer> ppd_;
    std::string path_;
};

}  // namespace platform
