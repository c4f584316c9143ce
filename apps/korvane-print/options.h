// The host's command line.
#pragma once

#include "printer_source.h"

#include <QStringList>

#include <optional>
#include <string>
#include <utility>
#include <vector>

// One operation of --set or --paste, in the order given.
struct ControlOperation {
    enum class Kind { Set, Paste } kind;
    std::string outlet;
    std::string value;
};

struct HostOptions {
    PrinterRequest printer;
    bool constraintHandling = true;
    std::optional<std::string> title;
    std::optional<std::string> settingsFile;
    std::optional<std::string> layout;
    bool batch = false;
    std::vector<std::string> calls;
    std::vector<ControlOperation> operations;
    bool dump = false;
    std::optional<std::string> screenshot;
    bool dryRun = false;
    int copies = 1;
    std::vector<std::pair<std::string, std::string>> jobOptions;  // -o NAME=VALUE, in order
    std::optional<std::string> pages;                             // --pages
    std::vector<std::string> files;
    std::optional<int> jobId;  // --job: the waiting job of the user to answer
    bool agent = false;        // --agent: stay in the session and answer the user's waiting jobs
    // What --help or --version asks to be printed on standard output instead of running.
    std::optional<std::string> printOnly;
};

// The host calls a batch run makes when --calls is not given.
inline const std::vector<std::string> kDefaultCalls{"panelView", "willShow", "restore", "ops", "save", "shouldPrint"};

// Parses the arguments (the program name first); nothing, with a message in error, for a bad
// option. For --help and --version the options hold only the text to print.
std::optional<HostOptions> parseHostOptions(const QStringList& arguments, std::string* error);

// Whether the arguments ask for batch mode, before the application object exists.
bool argumentsAskForBatch(int argc, char** argv);
// Whether the arguments ask for the agent, before the application object exists.
bool argumentsAskForAgent(int argc, char** argv);
