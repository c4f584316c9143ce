// korvane-print: a print dialog host for printers with dialog extensions.
#include "batch_run.h"
#include "options.h"

#include <QApplication>

#include <iostream>

int main(int argc, char** argv)
{
    // A batch run needs no display.
    if (argumentsAskForBatch(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("korvane-print");
    QApplication::setApplicationVersion("1.0.0");

    std::string error;
    auto options = parseHostOptions(QApplication::arguments(), &error);
    if (!options) {
        std::cerr << "korvane-print: " << error << "\nTry 'korvane-print --help'." << std::endl;
        return 2;
    }
    if (options->batch)
        return runBatch(*options);
    std::cerr << "korvane-print: the print dialog window is not available in this build; use --batch" << std::endl;
    return 2;
}
