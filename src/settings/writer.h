// The steps of the settings writer that are worth reaching on their own.
#pragma once

#include "platform/printing.h"

class KorvanePrintPdeRk880JC;

namespace korvane::settings {

// Writes the filing choice and the folder-path keys of the panel's controls into settings, as
// a model with (hasHardDisk) or without a printer hard disk files jobs. Returns the filing
// value: 0 none, 1 quick file, 2 main folder, 3 custom folder.
int writeFilingSettings(const KorvanePrintPdeRk880JC& panel, platform::PrintSettings& settings, bool hasHardDisk);

}  // namespace korvane::settings
