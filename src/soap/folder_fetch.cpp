// Fetching the printer's custom folders when the user presses the button.
#include "plugin/KorvanePrintPdeRk880JC.h"

// Not built yet: fetches nothing.
void KorvanePrintPdeRk880JC::getFolderNameButtonProc(const platform::Control& /*sender*/) {}

// Not built yet: shows nothing.
void KorvanePrintPdeRk880JC::recieveEndCallback() {}

// Not built yet: reads nothing.
bool KorvanePrintPdeRk880JC::parseXML(const std::string& /*replyFilePath*/) { return false; }
