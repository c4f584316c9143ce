#include "options.h"

#include <QCommandLineParser>

#include <cstring>
#include <set>

namespace {

const std::set<std::string> kKnownCalls{"panelView", "willShow", "restore", "ops", "save", "shouldPrint", "summary"};

const char* kDescription =
    "Print files with a printer's dialog extensions, such as the \"Job Control\" tab.\n"
    "Without --batch it opens the print dialog; with --batch it makes the host calls of\n"
    "--calls, operates controls with --set and --paste, and can --dump what results.";

// The --set and --paste operations in the order they were given.
std::optional<std::vector<ControlOperation>> orderedOperations(const QStringList& arguments, std::string* error)
{
    std::vector<ControlOperation> operations;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString argument = arguments.at(i);
        if (argument == "--")
            break;
        ControlOperation::Kind kind;
        QString spec;
        if (argument == "--set" || argument == "--paste") {
            if (i + 1 >= arguments.size())
                break;  // the parser reports the missing value
            kind = argument == "--set" ? ControlOperation::Kind::Set : ControlOperation::Kind::Paste;
            spec = arguments.at(++i);
        } else if (argument.startsWith("--set=") || argument.startsWith("--paste=")) {
            kind = argument.startsWith("--set=") ? ControlOperation::Kind::Set : ControlOperation::Kind::Paste;
            spec = argument.mid(argument.indexOf('=') + 1);
        } else {
            continue;
        }
        const qsizetype equals = spec.indexOf('=');
        if (equals <= 0) {
            *error = "--set and --paste take OUTLET=VALUE, not \"" + spec.toStdString() + "\"";
            return std::nullopt;
        }
        operations.push_back({kind, spec.left(equals).toStdString(), spec.mid(equals + 1).toStdString()});
    }
    return operations;
}

}  // namespace

bool argumentsAskForBatch(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        if (std::strcmp(argv[i], "--batch") == 0)
            return true;
    }
    return false;
}

std::optional<HostOptions> parseHostOptions(const QStringList& arguments, std::string* error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(kDescription);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {{"P", "printer"}, "Print to queue NAME (default: the CUPS default, else the built-in \"sample\").", "NAME"},
        {"ppd", "Use FILE as the printer's PPD instead of the queue's.", "FILE"},
        {"no-ppd", "Act as a host that gives the panels no PPD."},
        {"device-uri", "Use URI as the printer's device URI instead of the queue's.", "URI"},
        {"no-constraints", "Act as a host without constraint handling."},
        {{"t", "title"}, "The job's name (default: the first file's name).", "TEXT"},
        {"settings", "Start from the print settings in FILE: a JSON object of strings.", "FILE"},
        {"layout", "Load layout NAME (for example JobControl2) instead of the panel's own choice.", "NAME"},
        {"batch", "No window: make the host calls, operate the controls, and exit."},
        {"calls", "The host calls to make, comma-separated, from panelView, willShow, restore, ops, save, "
                  "shouldPrint, summary (default: panelView,willShow,restore,ops,save,shouldPrint).",
         "LIST"},
        {"set", "Operate control OUTLET as a user would with VALUE, then send its action (repeatable).",
         "OUTLET=VALUE"},
        {"paste", "Select the whole text field OUTLET and paste TEXT as one edit (repeatable).", "OUTLET=TEXT"},
        {"dump", "After the run, print the print settings, the controls and the panel's fields as JSON."},
        {"screenshot", "Render the panel's view to the PNG FILE.", "FILE"},
        {"dry-run", "Never submit files to CUPS."},
    });
    parser.addPositionalArgument("FILE", "Files to print.", "[FILE...]");
    if (!parser.parse(arguments)) {
        *error = parser.errorText().toStdString();
        return std::nullopt;
    }
    if (parser.isSet("help"))
        parser.showHelp(0);
    if (parser.isSet("version"))
        parser.showVersion();

    HostOptions options;
    if (parser.isSet("printer"))
        options.printer.name = parser.value("printer").toStdString();
    if (parser.isSet("ppd"))
        options.printer.ppdPath = parser.value("ppd").toStdString();
    options.printer.noPPD = parser.isSet("no-ppd");
    if (parser.isSet("device-uri"))
        options.printer.deviceURI = parser.value("device-uri").toStdString();
    options.constraintHandling = !parser.isSet("no-constraints");
    if (parser.isSet("title"))
        options.title = parser.value("title").toStdString();
    if (parser.isSet("settings"))
        options.settingsFile = parser.value("settings").toStdString();
    if (parser.isSet("layout"))
        options.layout = parser.value("layout").toStdString();
    options.batch = parser.isSet("batch");
    options.dump = parser.isSet("dump");
    if (parser.isSet("screenshot"))
        options.screenshot = parser.value("screenshot").toStdString();
    options.dryRun = parser.isSet("dry-run");
    for (const QString& file : parser.positionalArguments())
        options.files.push_back(file.toStdString());

    options.calls = kDefaultCalls;
    if (parser.isSet("calls")) {
        options.calls.clear();
        for (const QString& call : parser.value("calls").split(',', Qt::SkipEmptyParts)) {
            if (!kKnownCalls.count(call.trimmed().toStdString())) {
                *error = "unknown host call \"" + call.toStdString() +
                         "\" in --calls (known: panelView, willShow, restore, ops, save, shouldPrint, summary)";
                return std::nullopt;
            }
            options.calls.push_back(call.trimmed().toStdString());
        }
    }
    auto operations = orderedOperations(arguments, error);
    if (!operations)
        return std::nullopt;
    options.operations = std::move(*operations);
    return options;
}
