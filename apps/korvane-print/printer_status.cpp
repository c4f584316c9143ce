#include "printer_status.h"

#include "paper_sizes.h"

#include <cups/cups.h>

#include <algorithm>
#include <memory>

namespace {

struct DestFree {
    void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
struct DestInfoFree {
    void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};

// printer-state as the user reads it, with what cupsd gives as reasons (none: nothing).
std::string stateText(const char* state, const char* reasons)
{
    std::string text;
    const std::string value = state ? state : "";
    if (value == "3")
        text = "Idle";
    else if (value == "4")
        text = "Printing";
    else if (value == "5")
        text = "Stopped";
    if (!text.empty() && reasons && *reasons && std::string(reasons) != "none")
        text += " (" + std::string(reasons) + ")";
    return text;
}

// The paper sizes cupsd lists for the queue (media-col-database, else media-supported), each
// once, with its default.
void readMedia(cups_dest_t* dest, cups_dinfo_t* info, PrinterStatus& status)
{
    const int count = cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_FLAGS_DEFAULT);
    for (int i = 0; i < count; ++i) {
        cups_size_t size{};
        if (!cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, dest, info, i, CUPS_MEDIA_FLAGS_DEFAULT, &size))
            continue;
        const std::string name = size.media;
        // The same size may be listed once per set of margins.
        if (std::none_of(status.media.begin(), status.media.end(), [&](const MediaSize& m) { return m.name == name; }))
            status.media.push_back({name, paperSizeText(name)});
    }
    ipp_attribute_t* defaultMedia = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "media");
    if (const char* name = defaultMedia ? ippGetString(defaultMedia, 0, nullptr) : nullptr)
        status.defaultMedia = name;
}

}  // namespace

PrinterStatus queryPrinterStatus(const std::string& queue)
{
    PrinterStatus status;
    std::unique_ptr<cups_dest_t, DestFree> dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.c_str(), nullptr));
    if (!dest)
        return status;
    status.state = stateText(cupsGetOption("printer-state", dest->num_options, dest->options),
                             cupsGetOption("printer-state-reasons", dest->num_options, dest->options));
    if (const char* location = cupsGetOption("printer-location", dest->num_options, dest->options))
        status.location = location;
    std::unique_ptr<cups_dinfo_t, DestInfoFree> info(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest.get()));
    if (!info)
        return status;
    ipp_attribute_t* sides = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest.get(), info.get(), CUPS_SIDES);
    for (int i = 0; sides && i < ippGetCount(sides); ++i)
        if (const char* value = ippGetString(sides, i, nullptr))
            status.sidesSupported.push_back(value);
    readMedia(dest.get(), info.get(), status);
    return status;
}
