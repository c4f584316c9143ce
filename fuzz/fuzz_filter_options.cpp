// Fuzz target: the printer filter's whole option path, which every user who may print
// controls. One input is up to three texts separated by zero bytes:
//   1. the options text cupsd hands the filter in argv[5] (the panel's keys, the PPD's options,
//      IPP attributes such as job-password, sealed values as they arrive);
//   2. the queue's defaults, as options text that becomes "*DefaultNAME: VALUE" lines of the
//      queue's PPD (what lpadmin -o writes there), read back through libcups as the filter does;
//   3. print-settings keys that the target seals for the job's user with the filter's test key
//      pair, so that the keys behind a sound seal are fuzzed too, not only broken seals.
// The filter opens the sealed keys, makes the header's settings and formats the header, or
// refuses the job. Besides crashes, leaks and undefined behaviour it checks that a header it
// sends reads back as sent by the printer's rules, that a queue which holds every job never gets a job it prints at
// once or that nothing releases, and that no message carries a PIN the job gave.
#include "device_stream.h"
#include "filter_job.h"
#include "fuzz_check.h"
#include "ppd_job_control.h"
#include "queue_defaults.h"
#include "settings/job_messages.h"
#include "settings/sealed_options.h"

#include "crypto/seal.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace {

using jobcontrol::JobOptions;

constexpr const char* kUser = "mia";
constexpr const char* kTitle = "Budget Q3";

// The filter's key pair of this target: a fixed private key, so that saved inputs replay alike.
constexpr std::array<unsigned char, 32> kPrivateKey = {0x4b, 0x6f, 0x72, 0x76, 0x61, 0x6e, 0x65, 0x20, 0x66, 0x75, 0x7a,
                                                       0x7a, 0x20, 0x6b, 0x65, 0x79, 0x20, 0x6f, 0x66, 0x20, 0x74, 0x68,
                                                       0x65, 0x20, 0x66, 0x69, 0x6c, 0x74, 0x65, 0x72, 0x2e, 0x21};

const std::vector<unsigned char>& publicKey()
{
    static const std::vector<unsigned char> key = korvane::crypto::sealPublicKeyOf(kPrivateKey).value();
    return key;
}

// The project's PPD, read once, and an in-memory file that holds one input's queue PPD.
struct QueuePPD {
    QueuePPD()
    {
        std::ifstream in(KORVANE_FUZZ_PPD_PATH);
        std::ostringstream text;
        text << in.rdbuf();
        templateText = text.str();
        FUZZ_CHECK(templateText.find("*DefaultARHoldKey:") != std::string::npos);
        fd = memfd_create("queue.ppd", 0);
        FUZZ_CHECK(fd >= 0);
        path = "/proc/self/fd/" + std::to_string(fd);
    }

    // The PPD with every default named in defaults replaced, as lpadmin -o replaces it.
    void write(const JobOptions& defaults) const
    {
        std::string text = templateText;
        for (const auto& [name, value] : defaults) {
            const std::string line = "*Default" + name + ":";
            const std::size_t at = text.find(line);
            if (at == std::string::npos || value.find('\n') != std::string::npos)
                continue;
            const std::size_t end = text.find('\n', at);
            text.replace(at, end - at, line + " " + value);
        }
        FUZZ_CHECK(ftruncate(fd, 0) == 0);
        FUZZ_CHECK(pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()));
    }

    std::string templateText;
    int fd = -1;
    std::string path;
};

const QueuePPD& queuePPD()
{
    static const QueuePPD ppd;
    return ppd;
}

// The defaults that the filter reads from a queue PPD with these defaults set, or its refusal.
// libcups reads a whole PPD each time, most of an input's cost, while the inputs of a run share
// few defaults texts (each mutation changes one of the three parts), and a text always reads
// the same: so the readings of the texts seen last are kept.
struct QueueReading {
    JobOptions defaults;
    std::optional<std::string> refusal;
};

const QueueReading& queueReadingOf(const std::string& defaultsText)
{
    static std::map<std::string, QueueReading> readings;
    if (const auto known = readings.find(defaultsText); known != readings.end())
        return known->second;
    if (readings.size() >= 256)
        readings.clear();
    QueueReading reading;
    const QueuePPD& ppd = queuePPD();
    ppd.write(jobcontrol::parseJobOptions(defaultsText.c_str()));
    try {
        reading.defaults = jobcontrol::queueJobControlDefaults(ppd.path);
    } catch (const jobcontrol::JobRefused& refusal) {
        reading.refusal = refusal.what();
    }
    return readings.emplace(defaultsText, std::move(reading)).first->second;
}

// The queue's defaults as the filter reads them; throws the filter's refusal.
const JobOptions& queueDefaultsOf(const std::string& defaultsText)
{
    const QueueReading& reading = queueReadingOf(defaultsText);
    if (reading.refusal)
        throw jobcontrol::JobRefused(*reading.refusal);
    return reading.defaults;
}

// The input's three texts.
std::array<std::string, 3> sectionsOf(const std::uint8_t* data, std::size_t size)
{
    std::array<std::string, 3> sections;
    std::size_t section = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && section < 2)
            ++section;
        else
            sections[section] += static_cast<char>(data[i]);
    }
    return sections;
}

// The PINs a job gives, of five digits or more: no constant text of a message holds such a
// run of digits, so finding one in a message means the message shows the job's PIN.
std::vector<std::string> pinsOf(const JobOptions& options)
{
    std::vector<std::string> pins;
    auto keep = [&](std::string text) {
        if (text.starts_with("Custom.") || text.starts_with("custom."))
            text = text.substr(7);
        if (text.size() >= 5 && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
            pins.push_back(text);
    };
    for (const auto& [name, value] : jobcontrol::jobControlOptionsOf(options))
        if (name == "ARHoldKey" || name == "ARUserNumber" || name == "ARCustomFolderPIN")
            keep(value);
    if (const auto password = options.find("job-password"); password != options.end())
        keep(password->second);
    return pins;
}

void checkShowsNoPIN(const std::string& message, const std::vector<std::string>& pins)
{
    for (const std::string& pin : pins)
        FUZZ_CHECK(message.find(pin) == std::string::npos);
}

// The SET lines of a header as the printer reads it, by the rules of the device stream and
// nothing of the filter's own code: "@KJC JOB", SET lines of a name of capitals and a value of
// 1 to 1000 printable characters other than a quote or backslash, each line at most 1024 bytes,
// then the ENTER line. Nothing when the header breaks a rule.
std::optional<std::vector<jobcontrol::HeaderSetting>> readHeader(std::string_view header)
{
    std::vector<jobcontrol::HeaderSetting> settings;
    bool started = false;
    while (!header.empty()) {
        const std::size_t end = header.find('\n');
        if (end == std::string_view::npos || end + 1 > 1024)
            return std::nullopt;
        const std::string_view line = header.substr(0, end);
        header.remove_prefix(end + 1);
        if (!started) {
            if (line != "@KJC JOB")
                return std::nullopt;
            started = true;
        } else if (line.starts_with("@KJC ENTER ")) {
            return header.empty() ? std::optional(settings) : std::nullopt;
        } else {
            const std::size_t equals = line.find("=\"");
            if (!line.starts_with("@KJC SET ") || equals == std::string_view::npos || !line.ends_with('"'))
                return std::nullopt;
            const std::string_view name = line.substr(9, equals - 9);
            const std::string_view value = line.substr(equals + 2, line.size() - equals - 3);
            const bool nameSound =
                !name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
            const bool valueSound = !value.empty() && value.size() <= 1000 &&
                                    std::all_of(value.begin(), value.end(),
                                                [](char c) { return c >= 0x20 && c <= 0x7E && c != '"' && c != '\\'; });
            if (!nameSound || !valueSound)
                return std::nullopt;
            settings.push_back({std::string(name), std::string(value)});
        }
    }
    return std::nullopt;
}

// On a queue that holds every job, a job the filter lets through is held, and something the
// printer checks releases it: a PIN or credentials.
void checkPolicyHolds(const std::vector<jobcontrol::HeaderSetting>& settings)
{
    FUZZ_CHECK(jobcontrol::settingValue(settings, "RETENTION") == "HOLD");
    const bool checkable =
        jobcontrol::settingValue(settings, "PINDIGEST") ||
        (jobcontrol::settingValue(settings, "LOGINNAME") && jobcontrol::settingValue(settings, "PASSWORD")) ||
        jobcontrol::settingValue(settings, "USERNUMBER");
    FUZZ_CHECK(checkable);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 16384)
        return 0;
    const std::array<std::string, 3> sections = sectionsOf(data, size);
    JobOptions options = jobcontrol::parseJobOptions(sections[0].c_str());
    const std::vector<std::string> pins = pinsOf(options);

    JobOptions toSeal = jobcontrol::parseJobOptions(sections[2].c_str());
    if (korvane::settings::sealSecretKeys(toSeal, publicKey(), kUser))
        for (const auto& [name, value] : toSeal)
            options.insert({name, value});

    try {
        const JobOptions& defaults = queueDefaultsOf(sections[1]);
        // The filter stops a job whose sealed keys do not open, before it reads the job.
        if (korvane::settings::openSealedKeys(options, kPrivateKey, kUser) ==
            korvane::settings::SealedKeysOpening::CannotOpen)
            return 0;
        const jobcontrol::JobSettings job = jobcontrol::jobSettings(options, kUser, kTitle, defaults);
        for (const std::string& note : job.notes)
            checkShowsNoPIN(note, pins);
        // What the printer reads is what the filter made.
        FUZZ_CHECK(readHeader(jobcontrol::formatHeader(job.settings, "PDF", 15)) == job.settings);
        if (jobcontrol::queueHoldsEveryJob(defaults))
            checkPolicyHolds(job.settings);
    } catch (const jobcontrol::JobRefused& refusal) {
        checkShowsNoPIN(refusal.what(), pins);
    }
    return 0;
}
