// The panel a fuzz target drives: set up once per run of the program, with the application,
// private user folders, a host and the panel's loaded view.
#pragma once

#include "fuzz_check.h"
#include "harness_host.h"

#include <QApplication>

#include <cstdlib>
#include <memory>

struct PanelFixture {
    std::unique_ptr<QApplication> app;
    std::unique_ptr<harness::PrivateUserDirs> dirs;
    std::unique_ptr<harness::HarnessHost> host;
    std::unique_ptr<KorvanePrintPdeRk880JC> panel;
};

inline PanelFixture& panelFixture()
{
    static PanelFixture fixture;
    return fixture;
}

// Takes the panel down before the application, and both before Qt's own globals: the fixture
// itself was made before them and would otherwise outlive them at exit.
inline void tearDownPanelFixture()
{
    PanelFixture& f = panelFixture();
    f.panel.reset();
    f.host.reset();
    f.app.reset();
    f.dirs.reset();
}

inline PanelFixture& setUpPanelFixture(int* argc, char*** argv)
{
    PanelFixture& f = panelFixture();
    f.app = harness::makeHeadlessApplication(*argc, *argv);
    f.dirs = std::make_unique<harness::PrivateUserDirs>();
    f.host = std::make_unique<harness::HarnessHost>();
    f.panel = f.host->makePanel();
    FUZZ_CHECK(f.panel->panelView() != nullptr);
    std::atexit(tearDownPanelFixture);
    return f;
}
