#include "host_report.h"

#include <iostream>

const std::vector<ExitStatusMeaning>& exitStatusMeanings()
{
    static const std::vector<ExitStatusMeaning> meanings{
        {ExitStatus::Done, "done"},
        {ExitStatus::Unavailable,
         "the printer, a file, the settings or the job could not be had, or the queue "
         "cannot keep the job's secrets private"},
        {ExitStatus::BadOption, "a bad option"},
        {ExitStatus::Refused, "a control or the printer's constraints refused an operation"},
        {ExitStatus::NotPrinted, "CUPS did not take the job, or the job's settings"},
        {ExitStatus::Cancelled, "the dialog was cancelled"},
    };
    return meanings;
}

int exitCode(ExitStatus status)
{
    return static_cast<int>(status);
}

void report(std::string_view message)
{
    std::cerr << kProgramName << ": " << message << std::endl;
}

void reportLine(std::string_view kind, std::string_view message)
{
    std::cerr << kProgramName << ": " << kind << ": " << message << std::endl;
}
