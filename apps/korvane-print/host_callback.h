// The host's side of the extension protocol: what the panel asks of the dialog.
#pragma once

#include "platform/pde.h"
#include "platform/ppd.h"
#include "platform/printing.h"

#include <functional>
#include <optional>
#include <string>

class HostCallback : public platform::PDEPluginCallback {
public:
    using AlertPresenter = std::function<void(const std::string& message, const std::string& button)>;

    HostCallback(std::optional<platform::PPDFile> ppd, platform::PrintSession session, bool constraintHandling,
                 AlertPresenter presentAlert);

    bool offersConstraintHandling() const override { return constraintHandling_; }
    platform::PPDRecord* ppdFile() override { return ppd_ ? ppd_->get() : nullptr; }
    platform::PrintSession* printSession() override { return &session_; }
    platform::PrintSettings* printSettings() override { return &settings_; }
    bool willChangePPDOptionKeyValue(const std::string& keyword, const std::string& choice) override;
    void presentInformationalAlert(const std::string& message, const std::string& buttonTitle) override;
    std::optional<std::string> preferredLayoutName() const override { return layout_; }

    void setPreferredLayoutName(std::optional<std::string> layout) { layout_ = std::move(layout); }
    platform::PrintSettings& settings() { return settings_; }
    const platform::PPDFile* ppd() const { return ppd_ ? &*ppd_ : nullptr; }

private:
    std::optional<platform::PPDFile> ppd_;
    platform::PrintSession session_;
    platform::PrintSettings settings_;
    bool constraintHandling_;
    AlertPresenter presentAlert_;
    std::optional<std::string> layout_;
};
