#include "queue_defaults.h"

#include "ppd_job_control.h"

#include <cups/ppd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace jobcontrol {

namespace {

struct PPDCloser {
    void operator()(ppd_file_t* ppd) const { ppdClose(ppd); }
};

// The marked custom value of option, as the text of a "Custom.VALUE" choice; empty when the
// option has no custom value of a kind that is text.
std::string markedCustomValue(ppd_file_t* ppd, const char* option)
{
    ppd_coption_t* custom = ppdFindCustomOption(ppd, option);
    ppd_cparam_t* parameter = custom ? ppdFirstCustomParam(custom) : nullptr;
    if (!parameter)
        return {};
    switch (parameter->type) {
    case PPD_CUSTOM_PASSCODE:
    case PPD_CUSTOM_PASSWORD:
    case PPD_CUSTOM_STRING:
        return parameter->current.custom_string ? parameter->current.custom_string : "";
    case PPD_CUSTOM_INT:
        return std::to_string(parameter->current.custom_int);
    default:
        return {};
    }
}

}  // namespace

JobOptions queueJobControlDefaults(const std::string& ppdPath)
{
    errno = 0;
    std::unique_ptr<ppd_file_t, PPDCloser> ppd(ppdOpenFile(ppdPath.c_str()));
    if (!ppd) {
        const int openError = errno;
        int line = 0;
        const ppd_status_t status = ppdLastError(&line);
        throw JobRefused("cannot read the queue's PPD " + ppdPath + " (" +
                         (status == PPD_FILE_OPEN_ERROR ? std::strerror(openError) : ppdErrorString(status)) +
                         "), so the queue's job control defaults cannot be honoured; the job is not printed");
    }
    ppdMarkDefaults(ppd.get());
    JobOptions defaults;
    for (const char* option : jobControlOptionNames()) {
        const ppd_choice_t* choice = ppdFindMarkedChoice(ppd.get(), option);
        if (!choice)
            continue;
        if (std::strcmp(choice->choice, "Custom") == 0)
            defaults[option] = "Custom." + markedCustomValue(ppd.get(), option);
        else
            defaults[option] = choice->choice;
    }
    return defaults;
}

}  // namespace jobcontrol
