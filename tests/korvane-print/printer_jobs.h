// The printer's side of a chain test: the office (a printer stand-in behind a queue of a cupsd
// of the test's own), what the printer printed of a job, and a held job that only its own PIN
// releases.
#pragma once

#include "korvane-print/host_harness.h"
#include "stand_in.h"

#include <QJsonObject>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace host_testing {

// Where the stand-in started with the state folder writes what it printed of a job.
std::string printedFile(const std::string& stateFolder, int job);

// Expects a held job that a wrong PIN leaves held and its own PIN prints, byte for byte the
// document.
void expectReleasedOnlyByItsPin(const harness::StandIn& printer, const std::string& stateFolder, const QJsonObject& job,
                                const std::string& pin, const std::string& document);

// A printer stand-in on loopback, with its job store in a folder of its own, behind the queue
// "office" of a cupsd of the test's own whose filter is the model's: where a chain test prints.
struct OfficeChain {
    // The printer starts with printerOptions besides its ports and its folder.
    OfficeChain(CupsdPolicy policy, const std::vector<std::string>& printerOptions);

    std::string printerFolder() const { return printerState.path().toStdString(); }
    // Expects the printer to hold the job behind the PIN and print the document when it is typed.
    void expectReleasedOnlyByItsPin(const QJsonObject& job, const std::string& pin, const std::string& document) const
    {
        host_testing::expectReleasedOnlyByItsPin(printer, printerFolder(), job, pin, document);
    }

    ScratchCupsd cupsd;
    QTemporaryDir printerState;
    harness::StandIn printer;
    // Why the office could not be set up; empty when it stands.
    std::string error;
};

}  // namespace host_testing
