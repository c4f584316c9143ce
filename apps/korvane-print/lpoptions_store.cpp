#include "lpoptions_store.h"

#include <cups/cups.h>

#include <memory>

namespace {

// The user's destinations (cupsd's queues with the user's options), freed when it goes.
class DestinationList {
public:
    DestinationList() : count_(cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_)) {}
    ~DestinationList() { cupsFreeDests(count_, dests_); }
    DestinationList(const DestinationList&) = delete;
    DestinationList& operator=(const DestinationList&) = delete;

    cups_dest_t* find(const std::string& name) const { return cupsGetDest(name.c_str(), nullptr, count_, dests_); }
    // The destination of that name, added when the user has none yet.
    cups_dest_t* findOrAdd(const std::string& name)
    {
        count_ = cupsAddDest(name.c_str(), nullptr, count_, &dests_);
        return find(name);
    }
    int count() const { return count_; }
    cups_dest_t* dests() const { return dests_; }

private:
    cups_dest_t* dests_ = nullptr;
    int count_ = 0;
};

// The queue's own default of one of CUPS' options, as cupsd says it; empty when it says none.
std::string queueDefault(cups_dest_t* dest, cups_dinfo_t* info, const char* name)
{
    ipp_attribute_t* attribute = info ? cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, name) : nullptr;
    char value[256] = "";
    if (attribute)
        ippAttributeString(attribute, value, sizeof value);
    return value;
}

bool isRememberable(const std::string& name, const std::set<std::string>& ppdOptionNames)
{
    return rememberableCupsOptions().count(name) || ppdOptionNames.count(name);
}

}  // namespace

const std::set<std::string>& rememberableCupsOptions()
{
    static const std::set<std::string> names{"media", "number-up", "orientation-requested", "sides"};
    return names;
}

std::map<std::string, std::string> savedPrinterOptions(const std::string& printer,
                                                       const std::set<std::string>& ppdOptionNames)
{
    std::map<std::string, std::string> saved;
    DestinationList dests;
    cups_dest_t* dest = dests.find(printer);
    if (!dest)
        return saved;
    // libcups lists the queue's own defaults among the options too: those are no choice of
    // the user's, and the queue applies them anyway.
    std::unique_ptr<cups_dinfo_t, void (*)(cups_dinfo_t*)> info(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest),
                                                                cupsFreeDestInfo);
    for (int i = 0; i < dest->num_options; ++i) {
        const std::string name = dest->options[i].name;
        const std::string value = dest->options[i].value;
        if (!isRememberable(name, ppdOptionNames))
            continue;
        if (rememberableCupsOptions().count(name) && value == queueDefault(dest, info.get(), name.c_str()))
            continue;
        saved[name] = value;
    }
    return saved;
}

bool saveAsDefault(const std::string& printer, const std::map<std::string, std::string>& options,
                   const std::set<std::string>& ppdOptionNames, std::string* error)
{
    DestinationList dests;
    cups_dest_t* dest = dests.findOrAdd(printer);
    if (!dest) {
        *error = "cannot add " + printer + " to the user's printers";
        return false;
    }
    for (int i = 0; i < dests.count(); ++i)
        dests.dests()[i].is_default = 0;
    dest->is_default = 1;
    // What the user kept before for this printer goes; what cupsd says of it stays.
    for (int i = dest->num_options - 1; i >= 0; --i) {
        const std::string name = dest->options[i].name;
        if (isRememberable(name, ppdOptionNames) && !options.count(name))
            dest->num_options = cupsRemoveOption(name.c_str(), dest->num_options, &dest->options);
    }
    for (const auto& [name, value] : options)
        dest->num_options = cupsAddOption(name.c_str(), value.c_str(), dest->num_options, &dest->options);
    if (cupsSetDests2(CUPS_HTTP_DEFAULT, dests.count(), dests.dests()) != 0) {
        *error = std::string("cannot save the defaults in lpoptions: ") + cupsLastErrorString();
        return false;
    }
    return true;
}
