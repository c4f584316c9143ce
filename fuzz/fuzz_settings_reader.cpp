// Fuzz target: the settings reader (restoreValuesAndReturnError) over arbitrary print settings
// and remembered values, on a real panel with its layout loaded, followed by the writer.
//
// Input: records of [kind][length][length bytes of value]. The kind picks a print-settings key
// of the key table, or one of the panel's remembered values (as the preference store loads
// them), or the lock bits loaded from the preferences.
//
// Each input is restored once and saved once. Besides crashes it checks that every value the
// writer stores is ASCII and, on one input in kSettleSample (picked by a hash of the input, so a
// saved input is checked again the same way when it is run alone) or on every input when
// KORVANE_FUZZ_SETTLE=all, that the panel settles: whatever arbitrary settings it started from,
// a save, a restore from that save and a second save write the same keys. The settle check
// costs two more restores and saves, most of what an input would otherwise cost.
#include "fuzz_check.h"
#include "panel_fixture.h"
#include "settings/keys.h"

#include <QApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace keys = korvane::keys;

// One input in this many gets the settle check.
constexpr std::uint32_t kSettleSample = 8;

// Whether this input gets the settle check: a fixed choice by the input's bytes (FNV-1a).
bool checksSettling(const std::uint8_t* data, std::size_t size)
{
    static const bool everyInput = [] {
        const char* choice = std::getenv("KORVANE_FUZZ_SETTLE");
        return choice && std::strcmp(choice, "all") == 0;
    }();
    if (everyInput)
        return true;
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619u;
    return hash % kSettleSample == 0;
}

const std::vector<std::string>& settingKeys()
{
    static const std::vector<std::string> all = {
        keys::kSpoolTime,
        keys::kFiling,
        keys::kFolderPath,
        keys::kFolderPath2,
        keys::kJobSuspend,
        keys::kJobSuspendKey,
        keys::kJobSuspend2Key,
        keys::kAuthentication,
        keys::kLoginName11,
        keys::kLoginName12,
        std::string(keys::kLoginName1Prefix) + "3",
        std::string(keys::kLoginName0Prefix) + "1",
        keys::kPassword,
        keys::kPassword2,
        keys::kUserNumber,
        keys::kUserNumber2,
        keys::kAccountNumber,
        keys::kAccountNumber2,
        keys::kUserName,
        keys::kUserName2,
        keys::kJobName,
        keys::kJobName2,
        keys::kFolderPassword,
        keys::kFolderPassword2,
        keys::kHoldButton,
    };
    return all;
}

// The remembered values of the panel that an input may set, in their stored forms.
std::vector<std::optional<std::string>*> rememberedValues(KorvanePrintPdeRk880JC& panel)
{
    return {&panel.prefSuspendKeyStringRef, &panel.prefLoginNameStringRef,     &panel.prefPasswordStringRef,
            &panel.prefUserNumberStringRef, &panel.prefAccountNumberStringRef, &panel.prefUserNameStringRef,
            &panel.prefJobNameStringRef,    &panel.prefFolderPassStringRef,    &panel.prefFolderNameStringRef};
}

// Keys whose values change with every save (they depend on the spool time) or that only the
// job's later stages read.
bool changesWithEverySave(const std::string& key)
{
    return key == keys::kSpoolTime || key == keys::kJobSuspendKey || key == keys::kFolderPassword ||
           key == keys::kPassword || key.rfind(keys::kLoginName0Prefix, 0) == 0;
}

std::map<std::string, std::string> stableKeys(const platform::PrintSettings& settings)
{
    std::map<std::string, std::string> stable;
    for (const auto& [key, value] : settings.values())
        if (!changesWithEverySave(key))
            stable.emplace(key, value);
    return stable;
}

// Fills the panel's inputs from the records of the fuzz input.
void applyRecords(const std::uint8_t* data, std::size_t size, KorvanePrintPdeRk880JC& panel,
                  platform::PrintSettings& settings)
{
    const auto& keyList = settingKeys();
    const auto remembered = rememberedValues(panel);
    const std::size_t kinds = keyList.size() + remembered.size() + 2;
    std::size_t pos = 0;
    while (pos + 2 <= size) {
        const std::size_t kind = data[pos] % kinds;
        const std::size_t length = std::min<std::size_t>(data[pos + 1], size - pos - 2);
        const std::string value(reinterpret_cast<const char*>(data + pos + 2), length);
        pos += 2 + length;
        if (kind < keyList.size()) {
            settings.setValue(keyList[kind], value);
        } else if (kind < keyList.size() + remembered.size()) {
            *remembered[kind - keyList.size()] = value;
        } else if (kind == keyList.size() + remembered.size()) {
            panel.prefAuthenticationBooleanRef = !value.empty() && (value[0] & 1);
        } else {
            std::uint32_t bits = 0;
            for (std::size_t i = 0; i < std::min<std::size_t>(value.size(), 4); ++i)
                bits = bits << 8 | static_cast<unsigned char>(value[i]);
            panel.prefHoldButtonFlag = bits;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    PanelFixture& f = setUpPanelFixture(argc, argv);
    // Custom folders, one protected, so that stored folder names can match one.
    f.panel->folderList =
        FolderList{{"Sales", true, false, false}, {"sales", false, false, false}, {std::nullopt, false, true, false}};
    f.panel->makeFolderPopup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    PanelFixture& f = panelFixture();
    KorvanePrintPdeRk880JC& panel = *f.panel;
    platform::PrintSettings& settings = f.host->settings;
    settings = platform::PrintSettings{};
    panel.prefHoldButtonFlag = 0;
    panel.presetHoldButtonFlag = 0;
    panel.prefAuthenticationBooleanRef.reset();
    for (auto* value : rememberedValues(panel))
        value->reset();
    applyRecords(data, size, panel, settings);

    const platform::PrintSettings given = settings;
    panel.restoreValuesAndReturnError(nullptr);
    panel.saveValuesAndReturnError(nullptr);
    // Every value the writer stores is ASCII (damaged settings may restore control characters
    // into a number field, and ASCII they are); keys it does not write (login-name pieces past
    // the one after the last) keep whatever they held.
    for (const auto& [key, value] : settings.values())
        if (given.value(key) != std::optional<std::string>(value))
            for (unsigned char c : value)
                if (c == 0 || c >= 0x80) {
                    std::fprintf(stderr, "value of %s is not ASCII text: %s\n", key.c_str(), value.c_str());
                    FUZZ_CHECK(c != 0 && c < 0x80);
                }

    if (!checksSettling(data, size))
        return 0;
    // Arbitrary input may restore into values the writer normalises once (a text cut to its
    // limit, a fallback name); from then on a save and a restore must give back each other.
    panel.restoreValuesAndReturnError(nullptr);
    panel.saveValuesAndReturnError(nullptr);
    const auto settled = stableKeys(settings);
    panel.restoreValuesAndReturnError(nullptr);
    panel.saveValuesAndReturnError(nullptr);
    FUZZ_CHECK(stableKeys(settings) == settled);
    return 0;
}
