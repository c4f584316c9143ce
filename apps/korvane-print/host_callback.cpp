#include "host_callback.h"

#include <cups/ppd.h>

HostCallback::HostCallback(std::optional<platform::PPDFile> ppd, platform::PrintSession session,
                           bool constraintHandling, AlertPresenter presentAlert)
    : ppd_(std::move(ppd)),
      session_(std::move(session)),
      constraintHandling_(constraintHandling),
      presentAlert_(std::move(presentAlert))
{
}

// Accepts a choice when marking it adds no conflict to the PPD; the marks are put back.
bool HostCallback::willChangePPDOptionKeyValue(const std::string& keyword, const std::string& choice)
{
    ppd_file_t* file = ppdFile();
    if (!file)
        return true;
    ppd_choice_t* before = ppdFindMarkedChoice(file, keyword.c_str());
    const std::string previous = before ? before->choice : "";
    const int conflictsBefore = ppdConflicts(file);
    ppdMarkOption(file, keyword.c_str(), choice.c_str());
    const bool accepted = ppdConflicts(file) <= conflictsBefore;
    if (!previous.empty())
        ppdMarkOption(file, keyword.c_str(), previous.c_str());
    return accepted;
}

void HostCallback::presentInformationalAlert(const std::string& message, const std::string& buttonTitle)
{
    if (presentAlert_)
        presentAlert_(message, buttonTitle);
}
