// The printer stand-in's side of a chain test: what it printed of a job, and a held job that
// only its own PIN releases.
#pragma once

#include "stand_in.h"

#include <QJsonObject>

#include <string>

namespace host_testing {

// Where the stand-in started with the state folder writes what it printed of a job.
std::string printedFile(const std::string& stateFolder, int job);

// Expects a held job that a wrong PIN leaves held and its own PIN prints, byte for byte the
// document.
void expectReleasedOnlyByItsPin(const harness::StandIn& printer, const std::string& stateFolder, const QJsonObject& job,
                                const std::string& pin, const std::string& document);

}  // namespace host_testing
