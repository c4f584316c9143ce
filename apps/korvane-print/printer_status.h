// What cupsd says of a queue for the dialog: its state, location, the sides it prints and its
// paper sizes.
#pragma once

#include <string>
#include <vector>

// One paper size of a queue.
struct MediaSize {
    std::string name;  // the PWG media name, as the media option takes it
    std::string text;  // as the user reads it
};

struct PrinterStatus {
    std::string state;                        // "Idle", "Printing", "Stopped", with the reasons; empty when unknown
    std::string location;                     // printer-location; empty when none
    std::vector<std::string> sidesSupported;  // sides-supported, empty when cupsd does not say
    std::vector<MediaSize> media;             // the sizes cupsd lists, in its order; empty when it does not say
    std::string defaultMedia;                 // media-default; empty when cupsd does not say
};

// Asks the default CUPS server about the queue; an empty status when it does not know it.
PrinterStatus queryPrinterStatus(const std::string& queue);
