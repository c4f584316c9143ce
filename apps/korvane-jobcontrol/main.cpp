// korvane-jobcontrol: the CUPS filter of this printer model. It turns the job control
// settings of a job (the print dialog's keys, or the PPD's options for jobs from other
// dialogs and lp) into the job-control header and sends header, document and job end to the
// queue's backend (docs/device-stream.md).
#include "filter_job.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include <unistd.h>

int main(int argc, char* argv[])
{
    if (argc < 6 || argc > 7) {
        std::fputs("Usage: korvane-jobcontrol job-id user title copies options [file]\n", stderr);
        return 1;
    }
    // A backend that goes away must show as a failed write, not as a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    // cupsd names the queue's PPD, whose defaults are the administrator's choices for every job.
    const char* ppd = std::getenv("PPD");
    const jobcontrol::FilterArguments arguments{argv[2],       argv[3], argv[4], argv[5], argc == 7 ? argv[6] : "",
                                                ppd ? ppd : ""};
    try {
        jobcontrol::runFilter(arguments, STDOUT_FILENO);
    } catch (const std::exception& refusal) {
        std::fprintf(stderr, "ERROR: %s\n", refusal.what());
        return 1;
    }
    return 0;
}
