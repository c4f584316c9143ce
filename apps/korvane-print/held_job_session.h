// The dialog state of one waiting job: the job as cupsd shows it to its owner, the dialog
// session of its queue with the Job Control tab, and what the tab started from. The window of
// --job and its batch mode both drive it.
#pragma once

#include "dialog_session.h"
#include "held_job.h"
#include "held_job_settings.h"
#include "host_report.h"
#include "options.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class HeldJobSession {
public:
    // Opens the session of the job's queue, starting the tab from what the job carries. Nothing,
    // with a message in error, when the user cannot answer the job or its queue is not one of
    // this printer model.
    static std::unique_ptr<HeldJobSession> open(const HostOptions& options, HeldJob job,
                                                HostCallback::AlertPresenter alert, std::string* error);

    const HeldJob& job() const { return job_; }
    DialogSession& dialog() { return *dialog_; }
    platform::PDEPanel& panel() { return *dialog_->panel(); }
    // What could not be carried over from the job, and why.
    const std::vector<std::string>& startNotes() const { return start_.notes; }

    // Types the job's PPD job control options into the tab; call it once, after the tab's first
    // restore. A note for each value the tab refused.
    std::vector<std::string> carryOver();
    // Sets the tab's settings (as its last save left them) on the job and lets it print; false,
    // with a message in error, when that did not happen: the job then waits as before.
    bool answer(std::string* error);
    // Reads the job again (its documents may have arrived since); false when cupsd no longer
    // shows it.
    bool refresh();
    // Cancels the job; false, with cupsd's message in error, when cupsd refused.
    bool cancel(std::string* error) { return cancelHeldJob(job_, error); }
    // What answering did to the job, for the user: "released job 42 on office".
    std::string answeredLine() const;

private:
    HeldJobSession() = default;

    HeldJob job_;
    HeldJobStart start_;
    std::unique_ptr<DialogSession> dialog_;
    bool carriedOver_ = false;
};

// Answers the job of --job without a window: the host calls and operations of the options on
// its tab, then the settings set on the job and the job released; the process exit status.
ExitStatus runHeldJobBatch(const HostOptions& options);
