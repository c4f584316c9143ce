// Fuzz target: the preference domain reader over arbitrary files. Each input becomes the queue's
// domain file, kept in memory in the form it would have on disk and read through the same
// parser; the panel loads its remembered values and folder list from it and stores everything
// again.
//
// Besides crashes, it checks what users rely on: the lock bits and folders that the file holds
// are the ones loaded, every write leaves a domain that reads back, and keys of other programs
// in the domain survive the panel's writes.
#include "fuzz_check.h"
#include "panel_fixture.h"
#include "platform/user_defaults.h"
#include "plugin/product_name.h"

#include <QApplication>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace {

using platform::PropertyDictionary;
using platform::PropertyValue;

// The entry under key when it is a dictionary.
const PropertyDictionary* dictionaryAt(const PropertyDictionary& dictionary, const char* key)
{
    auto entry = dictionary.find(key);
    return entry == dictionary.end() ? nullptr : entry->second.dictionary();
}

// The lock bits a domain holds: "hold button" of "Job Control" when it is a 32-bit integer.
std::uint32_t expectedLockBits(const std::optional<PropertyDictionary>& domain)
{
    const PropertyDictionary* jobControl = domain ? dictionaryAt(*domain, "Job Control") : nullptr;
    if (!jobControl)
        return 0;
    auto entry = jobControl->find("hold button");
    if (entry == jobControl->end() || !entry->second.integer())
        return 0;
    const std::int64_t bits = *entry->second.integer();
    if (bits < INT32_MIN || bits > INT32_MAX)
        return 0;
    return static_cast<std::uint32_t>(bits);
}

// The number of folders a domain offers: the dictionaries in the "files" list.
std::optional<std::size_t> expectedFolderCount(const std::optional<PropertyDictionary>& domain)
{
    const PropertyDictionary* jobControl = domain ? dictionaryAt(*domain, "Job Control") : nullptr;
    if (!jobControl)
        return std::nullopt;
    std::size_t count = 0;
    auto files = jobControl->find("files");
    if (files != jobControl->end() && files->second.array())
        for (const PropertyValue& item : *files->second.array())
            count += item.dictionary() ? 1 : 0;
    return count;
}

// One value as the property-list text of a dictionary holding only it, for comparisons that
// must hold also for values such as NaN that never equal themselves.
std::string textOf(const PropertyValue& value)
{
    return platform::xmlPropertyList(PropertyDictionary{{"v", value}});
}

// Reading what the writer wrote gives the same text again.
void checkWriterIsStable(const PropertyDictionary& domain)
{
    const std::string once = platform::xmlPropertyList(domain);
    const std::optional<PropertyDictionary> back = platform::propertyListFromBytes(once);
    FUZZ_CHECK(back.has_value());
    FUZZ_CHECK(platform::xmlPropertyList(*back) == once);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Before the panel is made: its construction reads and writes the domain already.
    platform::keepUserDefaultsInMemory();
    PanelFixture& f = setUpPanelFixture(argc, argv);
    FUZZ_CHECK(f.panel->preferenceName.has_value());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    KorvanePrintPdeRk880JC& panel = *panelFixture().panel;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    platform::setDomainFileInMemory(*panel.preferenceName, bytes);
    const std::optional<PropertyDictionary> stored = platform::propertyListFromBytes(bytes);
    if (stored)
        checkWriterIsStable(*stored);

    panel.GetUserPreference();
    FUZZ_CHECK(panel.prefHoldButtonFlag == expectedLockBits(stored));
    const std::optional<FolderList> before = panel.folderList;
    panel.GetFolderPreference();
    if (const auto count = expectedFolderCount(stored))
        FUZZ_CHECK(panel.folderList && panel.folderList->size() == *count);
    else
        FUZZ_CHECK(panel.folderList == before);

    // The controls keep what the fixture gave them: what the remembered values do to the
    // controls is the settings reader's target, and costs a whole restore per input.
    FUZZ_CHECK(panel.SaveUserPreference());
    FUZZ_CHECK(panel.SaveFolderPreference());

    auto defaults = platform::standardUserDefaults(korvane::kProductName);
    FUZZ_CHECK(defaults.has_value());
    const std::optional<PropertyDictionary> written = defaults->persistentDomainForName(*panel.preferenceName);
    FUZZ_CHECK(written.has_value());
    FUZZ_CHECK(dictionaryAt(*written, "Job Control") != nullptr);
    if (stored) {
        // Other programs' keys come back as they read after one pass through the writer.
        const std::optional<PropertyDictionary> normal =
            platform::propertyListFromBytes(platform::xmlPropertyList(*stored));
        for (const auto& [key, value] : *normal) {
            if (key == "Job Control")
                continue;
            auto kept = written->find(key);
            FUZZ_CHECK(kept != written->end());
            FUZZ_CHECK(textOf(kept->second) == textOf(value));
        }
    }
    return 0;
}
