// The print dialog extension protocol: what a host and a plug-in say to each other.
//
// The host loads a plug-in bundle, takes its entry object (a PDEPlugIn), and asks it for
// panels of a panel type, passing the host's callback. It then drives each panel through
// PDEPanel. The host owns the callback, the PPD and the print settings; the panel only borrows
// them, and the host keeps them alive for as long as the panel lives.
#pragma once

#include "platform/ppd_view.h"

#include <QtPlugin>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace platform {

class FieldReport;
class PrintSession;
class PrintSettings;

// The host's side, handed to every panel it creates.
class PDEPluginCallback {
public:
    virtual ~PDEPluginCallback() = default;

    // Whether the host offers constraint handling (answers willChangePPDOptionKeyValue).
    virtual bool offersConstraintHandling() const = 0;
    // The host's PPD of the current printer, or nullptr.
    virtual PPDRecord* ppdFile() = 0;
    // The dialog's print session.
    virtual PrintSession* printSession() = 0;
    // The job's print settings, or nullptr when the job has none.
    virtual PrintSettings* printSettings() = 0;
    // Asks whether the PPD option may take this choice; true when the host accepts it.
    virtual bool willChangePPDOptionKeyValue(const std::string& keyword, const std::string& choice) = 0;
    // Shows an informational alert with one button and returns once the user dismissed it:
    // a message box in a window, a line on standard error in batch mode.
    virtual void presentInformationalAlert(const std::string& message, const std::string& buttonTitle) = 0;
    // A layout the host wants instead of the one the panel's UI mode picks (a host option for
    // trying the other layout variants); nothing to let the panel choose.
    virtual std::optional<std::string> preferredLayoutName() const { return std::nullopt; }
};

// One panel (tab) of the dialog.
class PDEPanel {
public:
    virtual ~PDEPanel() = default;

    virtual QWidget* panelView() = 0;
    virtual std::string panelName() = 0;
    virtual std::string panelKind() = 0;
    virtual std::vector<std::string> supportedPPDOptionKeys() = 0;
    virtual void willShow() = 0;
    virtual bool shouldHide() = 0;
    virtual bool shouldPrint() = 0;
    virtual bool shouldShowHelp() = 0;
    virtual void PPDOptionKeyValueDidChange(const std::string& keyword, const std::string& choice) = 0;
    // The error place of the protocol is never filled by this system's panels.
    virtual bool restoreValuesAndReturnError(std::string* error) = 0;
    virtual bool saveValuesAndReturnError(std::string* error) = 0;
    virtual std::map<std::string, std::string> summaryInfo() = 0;
    virtual void updateUI() = 0;

    // The panel's own fields by name, for a host's diagnostics; nothing by default.
    virtual void describeFields(FieldReport& /*report*/) {}
};

using PanelList = std::vector<std::unique_ptr<PDEPanel>>;

// The bundle's entry object.
class PDEPlugIn {
public:
    virtual ~PDEPlugIn() = default;

    // Tells the plug-in where its bundle is; always true.
    virtual bool initWithBundle(const std::string& bundlePath) = 0;
    // The panels of a panel type: an empty list for a type the plug-in does not serve, no
    // list when a panel could not be made. The host owns what it receives.
    virtual std::optional<PanelList> PDEPanelsForType(const std::string& type, PDEPluginCallback* callback) = 0;
};

// The panel type under which the host asks for printer-specific panels.
inline constexpr const char* kPrinterPanelType = "BDB091F4-E57F-11D3-B5CC-0050E4603277";

}  // namespace platform

#define KORVANE_PDE_PLUGIN_IID "korvane.print.PDEPlugIn/1.0"
Q_DECLARE_INTERFACE(platform::PDEPlugIn, KORVANE_PDE_PLUGIN_IID)
