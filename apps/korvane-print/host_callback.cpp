#include "host_callback.h"

#include "ppd_constraints.h"

#include <cups/ppd.h>

HostCallback::HostCallback(std::optional<platform::PPDFile> ppd, platform::PrintSession session,
                           bool constraintHandling, AlertPresenter presentAlert)
    : ppd_(std::move(ppd)),
      session_(std::move(session)),
      constraintHandling_(constraintHandling),
      presentAlert_(std::move(presentAlert))
{
}

// Accepts a choice that the printer's constraints allow, directly or resolved the way the
// dialog resolves it; the dialog's own choices give the same verdict.
bool HostCallback::willChangePPDOptionKeyValue(const std::string& keyword, const std::string& choice)
{
    return judgeChoice(ppdFile(), keyword, choice).accepted;
}

void HostCallback::presentInformationalAlert(const std::string& message, const std::string& buttonTitle)
{
    if (presentAlert_)
        presentAlert_(message, buttonTitle);
}
