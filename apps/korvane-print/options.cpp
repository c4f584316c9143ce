#include "options.h"

#include "dialog_session.h"
#include "host_report.h"
#include "job_option_arguments.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstring>
#include <set>

namespace {

const std::set<std::string> kKnownCalls{"panelView", "willShow", "restore", "ops", "save", "shouldPrint", "summary"};

const char* kDescription =
    "Print files with a printer's dialog extensions, such as the \"Job Control\" tab of\n"
    "the Korvane RK-880: job retention with a PIN, document filing, user authentication,\n"
    "account number and job identification.\n"
    "\n"
    "Without --batch it opens the print dialog: choose the printer and the copies, fill in\n"
    "the Job Control tab, check the Summary tab and press Print. The files go to the CUPS\n"
    "queue with the tab's settings as job options. With --batch there is no window: the\n"
    "host calls of --calls are made, the controls are operated with --set and --paste, and\n"
    "--dump shows what results.";

const char* kEpilogue =
    "\n"
    "Examples:\n"
    "  korvane-print report.pdf\n"
    "      Open the print dialog for report.pdf on the default printer.\n"
    "  korvane-print --batch -P office report.pdf --set retentionCheckBox=1 \\\n"
    "      --set suspendKeyEditText=4711\n"
    "      Print report.pdf to queue office, held in the printer until PIN 4711 is typed.\n"
    "  korvane-print --batch --printer sample --dry-run --calls panelView,willShow,restore,ops,save,summary \\\n"
    "      --set retentionCheckBox=1 --dump --screenshot tab.png\n"
    "      Try the tab on the built-in sample printer: print the settings and the summary it\n"
    "      makes as JSON and a picture of the tab, without sending anything.\n"
    "  korvane-print --job 42\n"
    "      Answer job 42, which waits in cupsd for its job control settings: the Job Control\n"
    "      tab for that job; Print sets its settings and releases it.\n"
    "  korvane-print --batch --job 42 --set retentionCheckBox=1 --set suspendKeyEditText=@pin.txt\n"
    "      The same from a script: hold job 42 at the printer behind the PIN in pin.txt.\n"
    "\n"
    "Outlets for --set and --paste are the tab's control names, for example retentionCheckBox,\n"
    "suspendMatrix, suspendKeyEditText, folderSelectionPopup, folderPasswordEditText,\n"
    "authenticationMatrix, loginNameEditText, passwordEditText, userNumberEditText,\n"
    "accountNumberEditText, userNameEditText, jobNameEditText, printersAddressEditText and\n"
    "getFolderNameButton; --batch --dump lists them all. In the window, --set and --paste are\n"
    "applied when the tab is first shown.\n"
    "\n"
    "Secrets: every user of the machine can read a command line in the process list. Give\n"
    "passwords and PINs as OUTLET=@FILE (the file's contents, one final line end dropped, at\n"
    "most 64 KiB) or OUTLET=@- (standard input, for one operation), for example\n"
    "  korvane-print --batch -P office --set passwordEditText=@- report.pdf < secret.txt\n"
    "\n"
    "Environment: CUPS_SERVER chooses the CUPS server; KORVANE_PLUGIN_PATH adds folders to look\n"
    "for dialog extensions and the preview's PDF module in; XDG_CONFIG_HOME holds the values\n"
    "the tab remembers.\n"
    "\n";

// The help's last paragraph: every exit status and what it means, one a line.
std::string exitStatusParagraph()
{
    std::string text = "Exit status:\n";
    for (const ExitStatusMeaning& each : exitStatusMeanings())
        text += "  " + std::to_string(exitCode(each.status)) + "  " + each.meaning + "\n";
    return text;
}

// The most bytes a value read from a file or standard input may have (see --help).
constexpr qint64 kMaxValueFileBytes = 64 * 1024;

// The bytes of a value file ("-": standard input), without one final line end; nothing, with
// a message in error, when it cannot be read or is too large.
std::optional<std::string> readValueFile(const QString& path, std::string* error)
{
    QFile file;
    const bool standardInput = path == "-";
    const bool opened = standardInput ? file.open(stdin, QIODevice::ReadOnly)
                                      : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    const std::string name = standardInput ? std::string("standard input") : "the file " + path.toStdString();
    if (!opened) {
        *error = "cannot read the value of --set or --paste from " + name + ": " + file.errorString().toStdString();
        return std::nullopt;
    }
    QByteArray bytes = file.read(kMaxValueFileBytes + 1);
    if (bytes.size() > kMaxValueFileBytes) {
        *error = "the value of --set or --paste in " + name + " is larger than " +
                 std::to_string(kMaxValueFileBytes / 1024) + " KiB";
        return std::nullopt;
    }
    if (bytes.endsWith('\n'))
        bytes.chop(bytes.endsWith("\r\n") ? 2 : 1);
    return bytes.toStdString();
}

// The value an operation's argument stands for: "@FILE" the contents of FILE, "@-" standard
// input (once), "@@TEXT" the text "@TEXT"; any other text itself. Keeps secrets out of the
// process list, where every user of the machine can read the arguments.
std::optional<std::string> operationValue(const QString& text, bool* standardInputUsed, std::string* error)
{
    if (!text.startsWith('@'))
        return text.toStdString();
    if (text.startsWith("@@"))
        return text.mid(1).toStdString();
    const QString path = text.mid(1);
    if (path.isEmpty()) {
        *error =
            "--set and --paste take @FILE or @- after OUTLET=, not a bare \"@\" (write @@ for a value "
            "that starts with @)";
        return std::nullopt;
    }
    if (path == "-") {
        if (*standardInputUsed) {
            *error = "only one --set or --paste can read its value from standard input (@-)";
            return std::nullopt;
        }
        *standardInputUsed = true;
    }
    return readValueFile(path, error);
}

// The --set and --paste operations in the order they were given.
std::optional<std::vector<ControlOperation>> orderedOperations(const QStringList& arguments, std::string* error)
{
    std::vector<ControlOperation> operations;
    bool standardInputUsed = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString argument = arguments.at(i);
        if (argument == "--")
            break;
        ControlOperation::Kind kind;
        QString assignment;
        if (argument == "--set" || argument == "--paste") {
            if (i + 1 >= arguments.size())
                break;  // the parser reports the missing value
            kind = argument == "--set" ? ControlOperation::Kind::Set : ControlOperation::Kind::Paste;
            assignment = arguments.at(++i);
        } else if (argument.startsWith("--set=") || argument.startsWith("--paste=")) {
            kind = argument.startsWith("--set=") ? ControlOperation::Kind::Set : ControlOperation::Kind::Paste;
            assignment = argument.mid(argument.indexOf('=') + 1);
        } else {
            continue;
        }
        const qsizetype equals = assignment.indexOf('=');
        if (equals <= 0) {
            *error = "--set and --paste take OUTLET=VALUE, not \"" + assignment.toStdString() + "\"";
            return std::nullopt;
        }
        auto value = operationValue(assignment.mid(equals + 1), &standardInputUsed, error);
        if (!value)
            return std::nullopt;
        operations.push_back({kind, assignment.left(equals).toStdString(), std::move(*value)});
    }
    return operations;
}

// The options that choose the job's printer, files or choices: --job and --agent answer jobs
// that cupsd already holds, whose queue, documents and other options are set.
const char* const kJobFixedOptions[] = {"printer", "ppd",   "no-ppd", "device-uri", "copies",
                                        "option",  "pages", "title",  "settings"};

// Reads --job and --agent and refuses what they cannot be combined with; false, with a
// message in error, for a bad combination.
bool readJobModes(const QCommandLineParser& parser, HostOptions& options, std::string* error)
{
    options.agent = parser.isSet("agent");
    if (parser.isSet("job")) {
        bool ok = false;
        const int id = parser.value("job").toInt(&ok);
        if (!ok || id < 1) {
            *error = "--job takes the number of a job, as lpstat shows it, not \"" + parser.value("job").toStdString() +
                     "\"";
            return false;
        }
        options.jobId = id;
    }
    if (!options.jobId && !options.agent)
        return true;
    const std::string mode = options.agent ? "--agent" : "--job";
    if (options.agent && (options.jobId || options.batch || !options.operations.empty())) {
        *error =
            "--agent runs on its own: it opens a window for each waiting job (leave out --job, --batch, --set "
            "and --paste)";
        return false;
    }
    if (!options.files.empty()) {
        *error = mode + " answers jobs that cupsd already holds with their documents; it takes no files";
        return false;
    }
    for (const char* name : kJobFixedOptions) {
        if (parser.isSet(name)) {
            *error = mode +
                     " sets only a job's job control settings: its queue and its other options stay as "
                     "they are (leave out --" +
                     std::string(name) + ")";
            return false;
        }
    }
    return true;
}

}  // namespace

namespace {

// Whether the option is among the arguments before "--".
bool argumentsInclude(int argc, char** argv, const char* option)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        if (std::strcmp(argv[i], option) == 0)
            return true;
    }
    return false;
}

}  // namespace

bool argumentsAskForBatch(int argc, char** argv)
{
    return argumentsInclude(argc, argv, "--batch");
}

bool argumentsAskForAgent(int argc, char** argv)
{
    return argumentsInclude(argc, argv, "--agent");
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
        {{"n", "copies"}, "Print N copies (default 1).", "N"},
        {{"o", "option"},
         "Set job options as lp -o does (repeatable): NAME=VALUE for a PPD option of the printer or "
         "one of CUPS' own such as number-up; several in one argument separated by blanks, a value "
         "with blanks in quotes; NAME alone means NAME=true, noNAME NAME=false (-o landscape).",
         "NAME=VALUE"},
        {"pages", "Print only these pages, for example 1-3,7, 5- (to the end) or -5 (up to 5) (default: all).",
         "RANGES"},
        {"settings",
         "Start from the print settings in FILE: a JSON object of strings, at most " +
             QString::number(kMaxSettingsFileBytes / (1024 * 1024)) + " MiB.",
         "FILE"},
        {"layout", "Load layout NAME (for example JobControl2) instead of the panel's own choice.", "NAME"},
        {"batch", "No window: make the host calls, operate the controls, and exit."},
        {"calls",
         "The host calls to make, comma-separated, from panelView, willShow, restore, ops, save, "
         "shouldPrint, summary (default: panelView,willShow,restore,ops,save,shouldPrint).",
         "LIST"},
        {"set",
         "Operate control OUTLET as a user would with VALUE, then send its action (repeatable). "
         "VALUE @FILE takes the value from FILE, @- from standard input, @@TEXT means @TEXT.",
         "OUTLET=VALUE"},
        {"paste", "Select the whole text field OUTLET and paste TEXT as one edit (repeatable); TEXT as for --set.",
         "OUTLET=TEXT"},
        {"dump",
         "After the run (in the window: after Print), print the print settings, the job's name, "
         "the controls, the panel's fields and the summary as JSON."},
        {"screenshot", "Render the panel's view (in the window: the dialog as Print is pressed) to the PNG FILE.",
         "FILE"},
        {"dry-run", "Never submit files to CUPS: run the dialog and its panels only."},
        {"job",
         "Answer job ID, one of your jobs that waits in cupsd for its job control settings: its Job "
         "Control tab; Print sets the settings on the job and lets it print.",
         "ID"},
        {"agent",
         "Stay in the desktop session and open the Job Control tab for each of your jobs that waits "
         "for its job control settings."},
    });
    parser.addPositionalArgument("FILE", "Files to print.", "[FILE...]");
    if (!parser.parse(arguments)) {
        *error = parser.errorText().toStdString();
        return std::nullopt;
    }
    HostOptions options;
    if (parser.isSet("help")) {
        options.printOnly = (parser.helpText() + kEpilogue).toStdString() + exitStatusParagraph();
        return options;
    }
    if (parser.isSet("version")) {
        options.printOnly =
            (QCoreApplication::applicationName() + " " + QCoreApplication::applicationVersion()).toStdString() + "\n";
        return options;
    }
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
    if (parser.isSet("copies")) {
        bool ok = false;
        options.copies = parser.value("copies").toInt(&ok);
        if (!ok || options.copies < 1 || options.copies > 999) {
            *error = "--copies takes a number from 1 to 999, not \"" + parser.value("copies").toStdString() + "\"";
            return std::nullopt;
        }
    }
    for (const QString& argument : parser.values("option")) {
        auto parsed = parseOptionArgument(argument.toStdString(), error);
        if (!parsed)
            return std::nullopt;
        options.jobOptions.insert(options.jobOptions.end(), parsed->begin(), parsed->end());
    }
    if (parser.isSet("pages"))
        options.pages = parser.value("pages").toStdString();
    for (const QString& file : parser.positionalArguments())
        options.files.push_back(file.toStdString());

    options.calls = kDefaultCalls;
    if (parser.isSet("calls") && !options.batch) {
        *error = "--calls needs --batch: in the window the dialog makes the host calls";
        return std::nullopt;
    }
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
    if (!readJobModes(parser, options, error))
        return std::nullopt;
    return options;
}
