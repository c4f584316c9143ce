// The tests' names for the test kit's host and private user folders (harness/harness_host.h),
// and an environment variable set for a scope.
#pragma once

#include "harness_host.h"

#include <optional>
#include <string>

namespace testing_support {

// The kit's host under the name the tests derive from.
class TestHost : public harness::HarnessHost {
public:
    using HarnessHost::HarnessHost;
};

using ScopedUserDirs = harness::PrivateUserDirs;

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value);
    ~ScopedEnv();

private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace testing_support
