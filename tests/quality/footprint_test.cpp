// What the panel brings into the print dialog's process beyond its own code, and the disk
// writes it spares the user: behaviour the benchmarks' figures rest on.
#include "platform/bundle.h"
#include "platform/layout.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

// Whether a file whose path contains `part` is mapped into this process.
bool isMapped(const std::string& part)
{
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.find(part) != std::string::npos)
            return true;
    return false;
}

// The layout loader used to load every designer plug-in installed on the system (the one for
// QQuickWidget brings the whole QML engine: about a quarter of the host's memory) although the
// layouts use only standard widgets.
TEST(Footprint, LoadingALayoutLoadsNoDesignerPlugIn)
{
    const platform::Bundle bundle(testing_support::TestHost::bundleDir());
    for (const char* name : {"JobControl", "JobControl2"}) {
        auto view = platform::LoadedView::load(bundle, name);
        ASSERT_NE(view, nullptr) << name;
        EXPECT_NE(view->root(), nullptr) << name;
    }
    EXPECT_FALSE(isMapped("/plugins/designer/"));
    EXPECT_FALSE(isMapped("libQt6Qml"));
}

}  // namespace
