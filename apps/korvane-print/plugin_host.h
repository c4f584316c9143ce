// Finding and loading the plug-in bundle that a printer's PPD declares.
#pragma once

#include "platform/pde.h"

#include <QPluginLoader>

#include <memory>
#include <optional>
#include <string>
#include <vector>

// A loaded bundle and its entry object; the library stays loaded while this lives.
class LoadedPlugIn {
public:
    static std::unique_ptr<LoadedPlugIn> load(const std::string& bundlePath, std::string* error);
    ~LoadedPlugIn();

    platform::PDEPlugIn* factory() const { return factory_; }
    const std::string& bundlePath() const { return bundlePath_; }

private:
    LoadedPlugIn(std::unique_ptr<QPluginLoader> loader, platform::PDEPlugIn* factory, std::string bundlePath);

    std::unique_ptr<QPluginLoader> loader_;
    platform::PDEPlugIn* factory_;
    std::string bundlePath_;
};

// The folders searched for bundles: KORVANE_PLUGIN_PATH, next to the host, the install tree.
std::vector<std::string> bundleSearchPath();

// The bundle the PPD's *APDialogExtension names (matched by its last path component), found
// on the search path; nothing when the PPD declares none or it is nowhere to be found.
std::optional<std::string> findDeclaredBundle(const std::optional<std::string>& dialogExtension);
