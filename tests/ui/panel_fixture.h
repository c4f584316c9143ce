// A panel of the built bundle in a chosen language and layout, with its preferences kept in a
// temporary folder.
#pragma once

#include "support/test_host.h"

#include <memory>
#include <optional>
#include <string>

namespace ui_testing {

struct PanelFixture {
    explicit PanelFixture(std::optional<std::string> layout = std::nullopt, const std::string& language = "en")
        : languageEnv("LANGUAGE", language)
    {
        host.layout = std::move(layout);
        panel = host.makePanel();
    }

    testing_support::ScopedUserDirs dirs;
    testing_support::ScopedEnv languageEnv;
    testing_support::TestHost host;
    std::unique_ptr<KorvanePrintPdeRk880JC> panel;
};

inline const char* const kLayouts[] = {"JobControl", "JobControl2"};

}  // namespace ui_testing
