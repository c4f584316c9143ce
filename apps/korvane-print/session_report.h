// What a run leaves behind for its caller: the JSON dump of a dialog session and a picture of
// the panel.
#pragma once

#include "dialog_session.h"

#include <QJsonObject>

#include <map>
#include <optional>
#include <string>

using SummaryLines = std::map<std::string, std::string>;

// The dump of --dump: print settings, job name, controls, focus, panel fields and, when the run
// asked for it, the summary.
QJsonObject dumpSession(DialogSession& session, const std::optional<SummaryLines>& summary);

// Renders the panel's view at its natural size to a PNG file; false, with a message in error,
// when it cannot.
bool writePanelScreenshot(platform::PDEPanel& panel, const std::string& path, std::string* error);
