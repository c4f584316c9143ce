// Reads the job control settings back from the job's print settings and the preferences.
#include "plugin/KorvanePrintPdeRk880JC.h"

// Not built yet: reads nothing.
void KorvanePrintPdeRk880JC::getNonPPDSettingsFromPrintSettings() {}
