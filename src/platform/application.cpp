#include "platform/application.h"

#include <QString>

#include <cstdio>

namespace platform {

namespace {

// Prints every message but Qt's one about the unset runtime folder, the way Qt's default
// handler does: the filter is in place while the application object is made, before a program
// installs a handler of its own.
void printAllButRuntimeFolderWarning(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    std::fflush(stderr);
}

}  // namespace

RuntimeFolderWarningFilter::RuntimeFolderWarningFilter()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    previous_ = qInstallMessageHandler(printAllButRuntimeFolderWarning);
    installed_ = true;
}

RuntimeFolderWarningFilter::~RuntimeFolderWarningFilter()
{
    if (installed_)
        qInstallMessageHandler(previous_);
}

}  // namespace platform
