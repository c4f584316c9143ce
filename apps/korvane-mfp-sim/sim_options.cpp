// Reads the command line of the folder-service stand-in into SimOptions.
#include "sim_options.h"

#include <QCommandLineParser>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace mfpsim {

namespace {

constexpr qint64 kMaxInputFileBytes = 16 * 1024 * 1024;
constexpr char kAdminPasswordVariable[] = "KORVANE_MFP_ADMIN_PASSWORD";

const char kDescription[] =
    "korvane-mfp-sim [--port N] [--print-port N] [--state DIR] [--folder NAME[:protected]]...\n"
    "                [--user LOGIN:PASSWORD]... [--user-number N]... [misbehaviour options]\n"
    "\n"
    "A stand-in for the printer. It listens on 127.0.0.1 only. Its HTTP port answers\n"
    "POST /korvane-mfp-srv with a SOAP reply that lists the printer's custom folders, and\n"
    "serves the operator panel: GET / (HTML), GET /jobs (JSON array of jobs), GET /accounts\n"
    "(JSON: pages per account), POST /jobs/ID/release with form field pin (200 printed,\n"
    "403 wrong PIN, 423 locked after five wrong PINs, 404 unknown, 409 not held) and\n"
    "POST /jobs/ID/delete with form field pin holding the job's PIN or the administrator\n"
    "password (200 deleted, 403 neither, 423 locked: then only the administrator password\n"
    "deletes it, 404 unknown); a wrong PIN there counts towards the lock as at a release.\n"
    "On start it prints \"listening on 127.0.0.1:PORT\" and, with --print-port,\n"
    "\"printing on 127.0.0.1:PORT\" on standard output.\n"
    "Other paths get 404, other methods on the service path 405, oversized requests 413.\n"
    "Each HTTP request must arrive whole within --request-deadline; at 64 connections the\n"
    "oldest idle one is dropped for a new client. SIGTERM or SIGINT ends it cleanly.\n"
    "\n"
    "Print port: a raw socket (as socket:// queues use), one job a connection, the stream\n"
    "that the filter korvane-jobcontrol writes (docs/device-stream.md). A job must arrive\n"
    "whole within --job-deadline and its document may have at most --max-job-bytes; a job\n"
    "that breaks the format, or fails authentication, is refused with its reason and never\n"
    "printed. Printing writes the document unchanged to DIR/printed/ID.pdf. The state folder\n"
    "holds jobs.json (jobs, accounts, log; replaced atomically), held/ (documents of held\n"
    "jobs) and printed/; it survives a restart. Without --state a private temporary folder\n"
    "is used and removed at exit. With --user or --user-number every job must authenticate.\n"
    "\n"
    "Administrator password: --admin-password-file FILE (its first line), or the environment\n"
    "variable KORVANE_MFP_ADMIN_PASSWORD; --admin-password TEXT is for tests only, as every\n"
    "user of the machine sees a command line (ps). The option and the file exclude each other\n"
    "and both win over the environment. Without one, a locked job cannot be deleted.\n"
    "\n"
    "Folders: --folder NAME[:FLAGS], FLAGS a comma-separated list of\n"
    "  protected   the folder needs a password (password \"true\")\n"
    "  dir         the entry is a directory (dir \"true\")\n"
    "Only a last colon followed by known flags (or by nothing) is taken as flags, so\n"
    "\"Q1:Q2\" is the name \"Q1:Q2\". To give a name that ends in \":protected\", add a\n"
    "colon: \"X:protected:\" is the name \"X:protected\" without flags.\n"
    "--folders FILE reads one folder a line in the same form (UTF-8, blank lines skipped).\n"
    "File folders come first, then the --folder ones. Without folders the list is empty.\n"
    "\n"
    "Modes (--mode):\n"
    "  ok                answer at once (default)\n"
    "  late=SECONDS      answer after SECONDS (fractions allowed)\n"
    "  silent            read the request, never answer, keep the connection open\n"
    "  close             read the request, then close the connection without answering\n"
    "  pieces            send the reply in --piece-bytes pieces, --piece-pause ms apart\n"
    "  http500           HTTP 500 with a SOAP 1.1 Fault\n"
    "  unsupported       result-code \"unsupported-operation\" and no folders\n"
    "  not-xml           200 with a body that is not XML\n"
    "--reply FILE replaces the body of every mode that answers with the file's bytes.\n"
    "--strict answers a request that is not the folder-listing request with\n"
    "\"unsupported-operation\" (or a SOAP Fault when it is no SOAP at all).";

// Tells whether the character may stand in an XML 1.0 text node.
bool isAllowedInName(char32_t c)
{
    if (c < 0x20 || c == 0x7f)
        return false;
    return c != 0xfffe && c != 0xffff;
}

// Checks that a folder name can travel in the reply unchanged.
bool checkFolderName(const QString& name, QString* error)
{
    for (char32_t c : name.toUcs4()) {
        if (!isAllowedInName(c)) {
            *error = QStringLiteral("folder name \"%1\" holds a control character").arg(name);
            return false;
        }
    }
    return true;
}

// Applies a comma-separated flag list to a folder; false when a flag is unknown.
bool applyFolderFlags(const QString& flags, Folder* folder)
{
    if (flags.isEmpty())
        return true;
    for (const QString& flag : flags.split(u',')) {
        if (flag == u"protected")
            folder->isProtected = true;
        else if (flag == u"dir")
            folder->isDirectory = true;
        else
            return false;
    }
    return true;
}

// Reads a whole file of bounded size; absent when it cannot be read.
std::optional<QByteArray> readSmallFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QByteArray contents = file.read(kMaxInputFileBytes + 1);
    if (contents.size() > kMaxInputFileBytes) {
        *error = QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(kMaxInputFileBytes);
        return std::nullopt;
    }
    return contents;
}

// Reads "late=SECONDS" and the plain mode words.
bool parseMode(const QString& text, SimOptions* options)
{
    static constexpr struct {
        const char16_t* word;
        Mode mode;
    } kWords[] = {
        {u"ok", Mode::Ok},          {u"silent", Mode::Silent},   {u"close", Mode::Close},
        {u"pieces", Mode::Pieces},  {u"http500", Mode::Http500}, {u"unsupported", Mode::Unsupported},
        {u"not-xml", Mode::NotXml},
    };
    for (const auto& entry : kWords) {
        if (text == QStringView(entry.word)) {
            options->mode = entry.mode;
            return true;
        }
    }
    if (!text.startsWith(u"late="))
        return false;
    bool ok = false;
    const double seconds = text.mid(5).toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0.0 || seconds > 3600.0)
        return false;
    options->mode = Mode::Late;
    options->lateSeconds = seconds;
    return true;
}

// Reads an integer option within [low, high].
bool parseBoundedInt(const QString& text, qint64 low, qint64 high, qint64* value)
{
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (!ok || number < low || number > high)
        return false;
    *value = number;
    return true;
}

// Builds the parser with every option the program knows.
void describeOptions(QCommandLineParser* parser)
{
    parser->setApplicationDescription(QString::fromUtf8(kDescription));
    parser->addHelpOption();
    parser->addOptions({
        {"port", "TCP port on 127.0.0.1; 0 picks a free one (default 0).", "N", "0"},
        {"folder", "Add a folder; repeatable. See Folders above.", "NAME[:FLAGS]"},
        {"folders", "Read folders from FILE, one a line.", "FILE"},
        {"mode", "How to answer; see Modes above (default ok).", "MODE", "ok"},
        {"reply", "Serve the bytes of FILE as the reply body.", "FILE"},
        {"record",
         "Write each complete request, exactly as received, to FILE (never the operator panel's, whose forms carry "
         "PINs).",
         "FILE"},
        {"chunked", "Send reply bodies with chunked transfer encoding."},
        {"piece-bytes", "Size of one piece in pieces mode (default 40).", "N", "40"},
        {"piece-pause", "Pause between pieces in ms (default 20).", "MS", "20"},
        {"strict", "Answer only the folder-listing request with the folder list."},
        {"max-body", "Largest request body accepted, in bytes (default 1048576).", "N", "1048576"},
        {"verbose", "Write a line about each request to standard error."},
        {"request-deadline", "Seconds an HTTP request may take to arrive whole (default 30).", "S", "30"},
        {"print-port", "Open the print port on this TCP port; 0 picks a free one.", "N"},
        {"state", "Keep the job store in DIR (default: a temporary folder removed at exit).", "DIR"},
        {"user", "A user that may print (login name, password); repeatable.", "LOGIN:PASSWORD"},
        {"user-number", "A user number that may print (1 to 8 digits); repeatable.", "N"},
        {"admin-password", "The administrator password (visible to all users in ps: tests only).", "TEXT"},
        {"admin-password-file", "Read the administrator password from the first line of FILE.", "FILE"},
        {"max-job-bytes", "Largest document a job may have (default 268435456).", "N", "268435456"},
        {"job-deadline", "Seconds a job may take to arrive whole (default 300).", "S", "300"},
    });
}

// Turns the print port's numbers into fields; false with an error on a bad value.
bool readPrinterNumbers(const QCommandLineParser& parser, SimOptions* options, QString* error)
{
    qint64 value = 0;
    if (parser.isSet("print-port")) {
        if (!parseBoundedInt(parser.value("print-port"), 0, 65535, &value)) {
            *error = QStringLiteral("--print-port wants a number from 0 to 65535");
            return false;
        }
        options->printPort = static_cast<quint16>(value);
    }
    if (!parseBoundedInt(parser.value("max-job-bytes"), 0, 2147483647, &value)) {
        *error = QStringLiteral("--max-job-bytes wants a number from 0 to 2147483647");
        return false;
    }
    options->maxJobBytes = value;
    if (!parseBoundedInt(parser.value("job-deadline"), 1, 86400, &value)) {
        *error = QStringLiteral("--job-deadline wants a number of seconds from 1 to 86400");
        return false;
    }
    options->jobDeadline = std::chrono::seconds(value);
    return true;
}

// Collects the users of --user and --user-number.
bool readUsers(const QCommandLineParser& parser, SimOptions* options, QString* error)
{
    for (const QString& argument : parser.values("user")) {
        const qsizetype colon = argument.indexOf(u':');
        if (colon <= 0) {
            *error = QStringLiteral("--user wants LOGIN:PASSWORD, not \"%1\"").arg(argument);
            return false;
        }
        options->users.logins.append({argument.left(colon), argument.mid(colon + 1)});
    }
    for (const QString& argument : parser.values("user-number")) {
        const QByteArray digits = argument.toLatin1();
        const bool good = !digits.isEmpty() && digits.size() <= 8 &&
                          std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!good) {
            *error = QStringLiteral("--user-number wants 1 to 8 digits, not \"%1\"").arg(argument);
            return false;
        }
        options->users.userNumbers.append(zeroFilled(digits));
    }
    return true;
}

// The administrator password from --admin-password, the first line of --admin-password-file,
// or the environment; false with an error when it is given twice, unreadable or empty.
bool readAdministrator(const QCommandLineParser& parser, SimOptions* options, QString* error)
{
    if (parser.isSet("admin-password") && parser.isSet("admin-password-file")) {
        *error = QStringLiteral(
            "give the administrator password one way only: --admin-password or "
            "--admin-password-file");
        return false;
    }
    std::optional<QByteArray> password;
    if (parser.isSet("admin-password")) {
        password = parser.value("admin-password").toUtf8();
    } else if (parser.isSet("admin-password-file")) {
        password = readSmallFile(parser.value("admin-password-file"), error);
        if (!password)
            return false;
        password->truncate(password->indexOf('\n') < 0 ? password->size() : password->indexOf('\n'));
        if (password->endsWith('\r'))
            password->chop(1);
    } else if (qEnvironmentVariableIsSet(kAdminPasswordVariable)) {
        password = qgetenv(kAdminPasswordVariable);
    }
    if (password && password->isEmpty()) {
        *error = QStringLiteral("the administrator password is empty; an empty one would open every job");
        return false;
    }
    options->adminPassword = password;
    return true;
}

// Turns the numeric options into fields; false with an error on a bad value.
bool readNumbers(const QCommandLineParser& parser, SimOptions* options, QString* error)
{
    qint64 value = 0;
    if (!parseBoundedInt(parser.value("port"), 0, 65535, &value)) {
        *error = QStringLiteral("--port wants a number from 0 to 65535");
        return false;
    }
    options->port = static_cast<quint16>(value);
    if (!parseBoundedInt(parser.value("piece-bytes"), 1, 65536, &value)) {
        *error = QStringLiteral("--piece-bytes wants a number from 1 to 65536");
        return false;
    }
    options->pieceBytes = static_cast<int>(value);
    if (!parseBoundedInt(parser.value("piece-pause"), 0, 10000, &value)) {
        *error = QStringLiteral("--piece-pause wants a number from 0 to 10000");
        return false;
    }
    options->piecePauseMs = static_cast<int>(value);
    if (!parseBoundedInt(parser.value("max-body"), 0, 64 * 1024 * 1024, &value)) {
        *error = QStringLiteral("--max-body wants a number from 0 to 67108864");
        return false;
    }
    options->maxBodyBytes = value;
    if (!parseBoundedInt(parser.value("request-deadline"), 1, 3600, &value)) {
        *error = QStringLiteral("--request-deadline wants a number of seconds from 1 to 3600");
        return false;
    }
    options->requestDeadline = std::chrono::seconds(value);
    return readPrinterNumbers(parser, options, error);
}

// Collects the folders of --folders and --folder, in that order.
bool readFolders(const QCommandLineParser& parser, SimOptions* options, QString* error)
{
    if (parser.isSet("folders")) {
        const auto contents = readSmallFile(parser.value("folders"), error);
        if (!contents)
            return false;
        const auto folders = parseFolderList(*contents, error);
        if (!folders)
            return false;
        options->folders = *folders;
    }
    for (const QString& argument : parser.values("folder")) {
        const auto folder = parseFolderArgument(argument, error);
        if (!folder)
            return false;
        options->folders.append(*folder);
    }
    return true;
}

}  // namespace

// Reads one NAME[:FLAGS] folder description.
std::optional<Folder> parseFolderArgument(const QString& argument, QString* error)
{
    Folder folder;
    folder.name = argument;
    const qsizetype colon = argument.lastIndexOf(u':');
    if (colon >= 0) {
        Folder flagged;
        if (applyFolderFlags(argument.mid(colon + 1), &flagged)) {
            flagged.name = argument.left(colon);
            folder = flagged;
        }
    }
    if (!checkFolderName(folder.name, error))
        return std::nullopt;
    return folder;
}

// Reads a folder file: UTF-8, one NAME[:FLAGS] a line, blank lines skipped.
std::optional<QList<Folder>> parseFolderList(const QByteArray& contents, QString* error)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(contents);
    if (decoder.hasError()) {
        *error = QStringLiteral("the folder file is not valid UTF-8");
        return std::nullopt;
    }
    QList<Folder> folders;
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const auto folder = parseFolderArgument(line, error);
        if (!folder)
            return std::nullopt;
        folders.append(*folder);
    }
    return folders;
}

// Reads the whole command line; on --help or an error the outcome holds the text to show.
ParseOutcome parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    describeOptions(&parser);
    ParseOutcome outcome;
    if (!parser.parse(arguments)) {
        outcome.message = parser.errorText();
        outcome.isError = true;
        return outcome;
    }
    if (parser.isSet("help")) {
        outcome.message = parser.helpText();
        return outcome;
    }
    if (!parser.positionalArguments().isEmpty()) {
        outcome.message = QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first());
        outcome.isError = true;
        return outcome;
    }
    SimOptions options;
    QString error;
    bool good = readNumbers(parser, &options, &error) && readFolders(parser, &options, &error) &&
                readUsers(parser, &options, &error) && readAdministrator(parser, &options, &error);
    if (good && !parseMode(parser.value("mode"), &options)) {
        error = QStringLiteral("unknown mode \"%1\"").arg(parser.value("mode"));
        good = false;
    }
    if (good && parser.isSet("reply")) {
        options.replyBody = readSmallFile(parser.value("reply"), &error);
        good = options.replyBody.has_value();
    }
    if (!good) {
        outcome.message = error;
        outcome.isError = true;
        return outcome;
    }
    options.chunked = parser.isSet("chunked");
    options.strict = parser.isSet("strict");
    options.verbose = parser.isSet("verbose");
    options.recordPath = parser.value("record");
    options.stateDirectory = parser.value("state");
    outcome.options = options;
    return outcome;
}

}  // namespace mfpsim
