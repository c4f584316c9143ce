// One printer's dialog state: its PPD, print settings, the loaded plug-in and its panels.
#pragma once

#include "cups_submit.h"
#include "host_callback.h"
#include "job_choices.h"
#include "job_secrets.h"
#include "options.h"
#include "plugin_host.h"
#include "printer_source.h"

#include <QtGlobal>

#include <memory>
#include <optional>
#include <set>
#include <string>

class DialogSession {
public:
    // Sets up the printer of the options with the print settings and job name to start from:
    // those of startFrom when given (a dialog that changes printers keeps the job's settings),
    // else those the options name. Nothing, with a message in error, when the printer, its PPD
    // or the settings cannot be had.
    static std::unique_ptr<DialogSession> open(const HostOptions& options, HostCallback::AlertPresenter alert,
                                               std::string* error, const platform::PrintSettings* startFrom = nullptr);
    ~DialogSession();

    const PrinterChoice& printer() const { return printer_; }
    HostCallback& callback() { return *callback_; }
    // The "Job Control" panel, or nullptr when the printer declares no extension.
    platform::PDEPanel* panel() const { return panels_.empty() ? nullptr : panels_.front().get(); }
    const platform::PanelList& panels() const { return panels_; }
    // Why the printer has no panel, when it has none.
    const std::string& noPanelReason() const { return noPanelReason_; }

    // The job these files make on this printer: the print settings and the job's choices as
    // options, the job's name as its title, the secrets sealed for the queue's filter. Nothing,
    // with a message in error, when the secrets cannot be sealed: such a job must not be sent.
    std::optional<JobRequest> jobRequest(const std::vector<std::string>& files, int copies, std::string* error);
    // What the dialog's pages and the printer's options add to the job.
    JobChoices& choices() { return *choices_; }
    // The PPD's option keywords (empty without a PPD).
    std::set<std::string> ppdOptionNames() const;
    // The panels' PPD option keys, which the dialog does not show among the printer's options.
    std::set<std::string> panelOptionKeys() const;
    // Every option the job is submitted with, as CUPS gets it; its secrets as they stand when
    // they cannot be sealed.
    std::map<std::string, std::string> jobOptions();
    // The notes of the defaults the user kept that the printer's constraints changed.
    const std::vector<std::string>& startNotes() const { return startNotes_; }

private:
    DialogSession() = default;
    void startFromSavedOptions();
    // The job before its secrets are sealed.
    JobRequest unsealedRequest(const std::vector<std::string>& files, int copies);

    PrinterChoice printer_;
    std::unique_ptr<HostCallback> callback_;
    std::unique_ptr<LoadedPlugIn> plugIn_;
    platform::PanelList panels_;  // released before the plug-in that made them
    std::string noPanelReason_;
    std::unique_ptr<JobChoices> choices_;
    JobSecretSealer sealer_;  // with the key of the queue's PPD, whether or not the panels get it
    std::vector<std::string> startNotes_;
};

// The largest settings file the host reads: far beyond any job's settings, and small enough
// that a damaged or hostile file cannot exhaust memory.
inline constexpr qint64 kMaxSettingsFileBytes = 1024 * 1024;

// The print settings of a JSON file of at most kMaxSettingsFileBytes: an object of string keys
// and string values.
std::optional<platform::PrintSettings> readSettingsFile(const std::string& path, std::string* error);
