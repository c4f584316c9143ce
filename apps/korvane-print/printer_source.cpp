#include "printer_source.h"

#include <cups/cups.h>
#include <cups/ppd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <ctime>

namespace {

// The device URI and PPD of a CUPS queue, asked of cupsd.
struct QueueFacts {
    std::optional<std::string> deviceURI;
    std::optional<std::string> ppdPath;
};

std::optional<QueueFacts> askCups(const std::string& name, bool wantPPD, std::string* error)
{
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), nullptr);
    if (!dest) {
        *error = "no print queue \"" + name + "\" (" + cupsLastErrorString() + ")";
        return std::nullopt;
    }
    QueueFacts facts;
    if (const char* uri = cupsGetOption("device-uri", dest->num_options, dest->options))
        facts.deviceURI = uri;
    cupsFreeDests(1, dest);
    if (wantPPD) {
        char path[1024] = "";
        time_t modified = 0;
        if (cupsGetPPD3(CUPS_HTTP_DEFAULT, name.c_str(), &modified, path, sizeof path) == HTTP_STATUS_OK)
            facts.ppdPath = path;
    }
    return facts;
}

}  // namespace

std::optional<std::string> samplePPDPath()
{
    // The PPD travels with the bundles: next to them in a build tree (and in the folders of
    // KORVANE_PLUGIN_PATH), in the data folder of an install tree.
    const QString here = QCoreApplication::applicationDirPath();
    QStringList candidates;
    for (const QString& folder : qEnvironmentVariable("KORVANE_PLUGIN_PATH").split(':', Qt::SkipEmptyParts))
        candidates << folder + "/ppd/korvane-rk880.ppd";
    candidates << here + "/ppd/korvane-rk880.ppd"
               << QDir::cleanPath(here + "/../" KORVANE_INSTALL_DATA_DIR "/ppd/korvane-rk880.ppd");
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).isFile())
            return candidate.toStdString();
    return std::nullopt;
}

std::optional<std::string> cupsDefaultDestination()
{
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    std::optional<std::string> name;
    if (cups_dest_t* dest = cupsGetDest(nullptr, nullptr, count, dests))
        name = dest->name;
    cupsFreeDests(count, dests);
    return name;
}

std::optional<PrinterChoice> resolvePrinter(const PrinterRequest& request, std::string* error)
{
    PrinterChoice choice;
    choice.name = request.name ? *request.name : cupsDefaultDestination().value_or(kSamplePrinterName);
    if (!request.noPPD && request.ppdPath)
        choice.ppdPath = request.ppdPath;
    choice.deviceURI = request.deviceURI;

    const bool needPPD = !request.noPPD && !choice.ppdPath;
    const bool needURI = !choice.deviceURI;
    if (!needPPD && !needURI)
        return choice;

    std::string cupsError;
    std::optional<QueueFacts> facts = askCups(choice.name, needPPD, &cupsError);
    if (!facts && choice.name == kSamplePrinterName) {
        // The built-in sample printer stands in when cupsd has no queue of that name.
        if (needPPD) {
            choice.ppdPath = samplePPDPath();
            if (!choice.ppdPath) {
                *error = "the sample printer's PPD is missing from this installation";
                return std::nullopt;
            }
        }
        if (needURI)
            choice.deviceURI = kSampleDeviceURI;
        choice.isBuiltInSample = true;
        return choice;
    }
    if (!facts) {
        *error = cupsError;
        return std::nullopt;
    }
    if (needURI)
        choice.deviceURI = facts->deviceURI;
    if (needPPD) {
        choice.ppdPath = facts->ppdPath;
        choice.ppdIsTemporary = facts->ppdPath.has_value();
    }
    return choice;
}

std::vector<std::string> availablePrinters()
{
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        if (!dests[i].instance)
            names.emplace_back(dests[i].name);
    cupsFreeDests(count, dests);
    if (std::find(names.begin(), names.end(), kSamplePrinterName) == names.end())
        names.emplace_back(kSamplePrinterName);
    return names;
}
