// The printer stand-in's side of a chain test: its job list, a PIN typed at its operator
// panel, and the files it printed.
#pragma once

#include "stand_in.h"

#include <QJsonArray>
#include <QJsonObject>

#include <string>

namespace host_testing {

class PrinterJobs {
public:
    // The stand-in and the state folder it was started with.
    PrinterJobs(harness::StandIn& printer, std::string stateFolder)
        : printer_(printer), stateFolder_(std::move(stateFolder))
    {
    }

    // The printer's job list.
    QJsonArray jobs() const;
    // Waits until the printer lists a job it did not list before; its record, or empty.
    QJsonObject waitForNewJob(qsizetype jobsBefore) const;
    // Types a PIN at the printer for a job; the HTTP status.
    int typePin(int job, const std::string& pin) const;
    // Where the printer writes what it printed of a job.
    std::string printedFile(int job) const;
    // Expects a held job that a wrong PIN leaves held and its own PIN prints, byte for byte the
    // document.
    void expectReleasedOnlyByItsPin(const QJsonObject& job, const std::string& pin, const std::string& document) const;

private:
    harness::StandIn& printer_;
    std::string stateFolder_;
};

}  // namespace host_testing
