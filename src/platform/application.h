// The program's Qt application object, made without a start-up warning that tells the user nothing.
#pragma once

#include "platform/non_copyable.h"

#include <QtGlobal>

#include <memory>

namespace platform {

// While alive and XDG_RUNTIME_DIR is unset, drops Qt's warning that it is ("XDG_RUNTIME_DIR not
// set, defaulting to ..."); every other message is printed as Qt prints it. Qt 6.4 asks for the
// runtime folder while it starts (to look for a sandbox marker there), so without a desktop
// session (a console, ssh, CI) every program would say it on every run. Nothing of ours uses
// Qt's fallback: the private temporary folder has its own (privateTemporaryDirectory).
class RuntimeFolderWarningFilter : NonCopyable {
public:
    RuntimeFolderWarningFilter();
    ~RuntimeFolderWarningFilter();

private:
    bool installed_ = false;
    QtMessageHandler previous_ = nullptr;
};

// Makes the application object (QApplication, QCoreApplication) with the filter above in place.
template <typename Application>
std::unique_ptr<Application> makeApplication(int& argc, char** argv)
{
    RuntimeFolderWarningFilter filter;
    return std::make_unique<Application>(argc, argv);
}

}  // namespace platform
