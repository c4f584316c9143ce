// Which printer the dialog starts on, with its PPD and device URI.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct PrinterRequest {
    std::optional<std::string> name;       // --printer
    std::optional<std::string> ppdPath;    // --ppd
    bool noPPD = false;                    // --no-ppd
    std::optional<std::string> deviceURI;  // --device-uri
};

struct PrinterChoice {
    std::string name;
    std::optional<std::string> ppdPath;  // nothing: the host gives the panel no PPD
    std::optional<std::string> deviceURI;
    bool ppdIsTemporary = false;   // a copy fetched from cupsd, removed when done
    bool isBuiltInSample = false;  // the stand-in of the sample printer: no CUPS queue to print to
};

// The built-in sample printer's queue name and device URI.
inline constexpr const char* kSamplePrinterName = "sample";
inline constexpr const char* kSampleDeviceURI = "socket://127.0.0.1:9100";

// The PPD shipped for the sample printer, next to the host or in the install tree.
std::optional<std::string> samplePPDPath();

// Resolves the request: the named queue or the CUPS default, else the sample printer. A name
// given with both a PPD and a device URI needs no CUPS server; otherwise cupsd is asked.
// Nothing, with a message in error, when cupsd cannot tell what is needed.
std::optional<PrinterChoice> resolvePrinter(const PrinterRequest& request, std::string* error);

// The CUPS default destination, or nothing when there is no server or no default.
std::optional<std::string> cupsDefaultDestination();

// The printers a dialog offers: the CUPS destinations in the server's order, then the built-in
// sample printer unless a queue already has its name.
std::vector<std::string> availablePrinters();
