// What cupsd says of a queue for the dialog: its state, location and the sides it prints.
#pragma once

#include <string>
#include <vector>

struct PrinterStatus {
    std::string state;                        // "Idle", "Printing", "Stopped", with the reasons; empty when unknown
    std::string location;                     // printer-location; empty when none
    std::vector<std::string> sidesSupported;  // sides-supported, empty when cupsd does not say
};

// Asks the default CUPS server about the queue; an empty status when it does not know it.
PrinterStatus queryPrinterStatus(const std::string& queue);
