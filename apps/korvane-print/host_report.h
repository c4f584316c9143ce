// What the host tells the user on standard error, and the statuses it exits with. Every line
// starts with the program's name, so that it reads apart from the output of the programs it
// runs with.
#pragma once

#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kProgramName = "korvane-print";

// The host's exit statuses; --help and the manual (docs/korvane-print.1, EXIT STATUS) list the
// same numbers with the same meanings.
enum class ExitStatus : int {
    Done = 0,
    Unavailable = 1,
    BadOption = 2,
    Refused = 3,
    NotPrinted = 4,
    Cancelled = 5,
};

struct ExitStatusMeaning {
    ExitStatus status;
    const char* meaning;  // as --help says it, after the number
};

// Every exit status with what it means, in numeric order.
const std::vector<ExitStatusMeaning>& exitStatusMeanings();

// The status as the process's exit code.
int exitCode(ExitStatus status);

// Writes "korvane-print: MESSAGE" on standard error.
void report(std::string_view message);
// Writes "korvane-print: KIND: MESSAGE" on standard error (KIND: note, warning, alert).
void reportLine(std::string_view kind, std::string_view message);
