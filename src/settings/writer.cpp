// Writes the job control settings into the job's print settings.
#include "plugin/KorvanePrintPdeRk880JC.h"

// Not built yet: writes nothing.
void KorvanePrintPdeRk880JC::writeNonPPDSettingsToPrintSettings() {}
