// Writes the job control settings into the job's print settings.
#include "settings/writer.h"

#include "crypto/aes.h"
#include "crypto/base64.h"
#include "crypto/hex.h"
#include "platform/trace.h"
#include "plugin/KorvanePrintPdeRk880JC.h"
#include "settings/job_forms.h"
#include "settings/keys.h"
#include "settings/print_settings_setters.h"
#include "settings/spool_time.h"
#include "settings/text_bytes.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

namespace keys = korvane::keys;
namespace rows = korvane::rows;
using korvane::settings::TextBytes;
using korvane::settings::TextRule;
using platform::PrintSettings;

namespace {

constexpr std::size_t kSpoolTimeSize = 64;
constexpr std::size_t kResultSize = 512;  // AES blocks, their Base64 and hex texts
constexpr std::size_t kPaddedSize = 16;
constexpr std::size_t kBlockSize = 16;

// The hex of "*standard": the folder path of the main folder.
constexpr const char* kStandardFolderHex = "2A7374616E64617264";

// Removes a key.
void removeKey(PrintSettings* settings, const char* key)
{
    MyPMPrintSetAsciiCStrValue(settings, key, nullptr);
}

// Sets key to the hex of count bytes; removes it when there are none.
void setHexValue(PrintSettings* settings, const char* key, const unsigned char* bytes, std::size_t count)
{
    char hex[kResultSize];
    if (count > (sizeof hex - 1) / 2) {
        removeKey(settings, key);
        return;
    }
    myitoa(bytes, hex, static_cast<int>(count));
    MyPMPrintSetAsciiCStrValue(settings, key, hex);
}

// A text's byte count rounded up to whole AES blocks: what its encryption fills.
std::size_t roundedLength(std::size_t count)
{
    return (count + kBlockSize - 1) / kBlockSize * kBlockSize;
}

// Writes into base64 the Base64 of the fixed-key AES blocks of text (zero-terminated).
void fixedKeyBase64(const TextBytes& text, char (&base64)[kResultSize])
{
    unsigned char blocks[kResultSize];
    my_aes_encrypt(text.bytes, blocks, static_cast<int>(sizeof blocks));
    Base64encode(base64, blocks, static_cast<int>(roundedLength(text.textLength())));
}

// Sets key to the hex of the first blockCount fixed-key AES blocks of text.
void setFixedKeyHex(PrintSettings* settings, const char* key, const TextBytes& text, std::size_t blockCount)
{
    unsigned char blocks[kResultSize];
    my_aes_encrypt(text.bytes, blocks, static_cast<int>(sizeof blocks));
    setHexValue(settings, key, blocks, blockCount * kBlockSize);
}

// Writes the zero-filled form of a converted number into padded.
void padText(const TextBytes& text, char (&padded)[kPaddedSize])
{
    korvane::settings::padNumber(text.c_str(), padded, sizeof padded);
}

// Converts a field's text in the system encoding by rule; no bytes for an absent field.
void convertField(const platform::TextField& field, platform::StringEncoding encoding, const TextRule& rule,
                  TextBytes& out)
{
    const std::optional<std::string> text = field.stringValue();
    korvane::settings::convertText(text.value_or(std::string()), encoding, rule, out);
}

// Sets the folder-path keys to the main folder.
void writeStandardFolderPath(PrintSettings& settings)
{
    MyPMPrintSetAsciiCStrValue(&settings, keys::kFolderPath, kStandardFolderHex);
    MyPMPrintSetAsciiCStrValue(&settings, keys::kFolderPath2, kStandardFolderHex);
}

// The name of the chosen custom folder: the pop-up's folder-list entry, or the matrix layout's
// name field.
std::optional<std::string> customFolderName(const KorvanePrintPdeRk880JC& panel)
{
    const int index = panel.folderSelectionPopup.indexOfSelectedItem();
    if (panel.folderSelectionPopup.isPresent() && index >= rows::kFirstFolderIndex && panel.folderList) {
        const std::size_t entry = static_cast<std::size_t>(index - rows::kFirstFolderIndex);
        if (entry < panel.folderList->size())
            return (*panel.folderList)[entry].name;
        return std::nullopt;
    }
    if (panel.folderSelectionMatrix.isPresent())
        return panel.folderNameEditText.stringValue();
    return std::nullopt;
}

// Sets the folder-path keys to the custom folder's name; a name that cannot be converted whole
// leaves its key removed rather than naming another folder.
void writeCustomFolderPath(const KorvanePrintPdeRk880JC& panel, PrintSettings& settings)
{
    const std::optional<std::string> name = customFolderName(panel);
    if (!name)
        return;
    TextBytes path;
    bool converted = korvane::settings::convertFolderName(*name, panel.systemEncoding, path);
    if (converted)
        setHexValue(&settings, keys::kFolderPath, path.bytes, path.count);
    if (encodingWindowsLatin1())
        converted = korvane::settings::convertFolderName(*name, platform::kWindowsLatin1StringEncoding, path);
    if (converted)
        setHexValue(&settings, keys::kFolderPath2, path.bytes, path.count);
}

// The filing value the controls choose on a model with a hard disk.
int chosenFiling(const KorvanePrintPdeRk880JC& panel)
{
    const int index = panel.folderSelectionPopup.indexOfSelectedItem();
    int filing = index == rows::kQuickFileIndex ? 1 : index == rows::kMainFolderIndex ? 2 : 3;
    // The matrix rows run in filing order: quick file, main folder, custom folder.
    if (panel.folderSelectionMatrix.isPresent())
        filing = panel.folderSelectionMatrix.selectedRow() - rows::kQuickFileRow + 1;
    return filing;
}

// The retention value of the controls, and whether a PIN goes with it.
char retentionValue(const KorvanePrintPdeRk880JC& panel, int filing, bool& withPIN)
{
    withPIN = false;
    if (panel.isHeronMarlin() && filing == 1)
        return '0';
    if (panel.retentionCheckBox.state() == 0)
        return '0';
    withPIN = true;
    switch (panel.suspendMatrix.selectedRow()) {
    case rows::kHoldOnlyRow:
        return '2';
    case rows::kHoldAfterPrintRow:
        return '1';
    case rows::kSamplePrintRow:
        return '3';
    default:
        withPIN = false;
        return '0';
    }
}

// Writes the retention mode and the PIN's digest and stored form.
void writeRetention(const KorvanePrintPdeRk880JC& panel, PrintSettings* settings, int filing, const char* spoolTime)
{
    if (!panel.retentionCheckBox.isPresent() || !panel.suspendMatrix.isPresent()) {
        removeKey(settings, keys::kJobSuspend);
        removeKey(settings, keys::kJobSuspendKey);
        removeKey(settings, keys::kJobSuspend2Key);
        return;
    }
    bool withPIN = false;
    const char mode[2] = {retentionValue(panel, filing, withPIN), '\0'};
    MyPMPrintSetAsciiCStrValue(settings, keys::kJobSuspend, mode);
    TextBytes pin;
    if (withPIN && panel.suspendKeyEditText.isPresent())
        convertField(panel.suspendKeyEditText, panel.systemEncoding, korvane::settings::kPINRule, pin);
    if (pin.isEmptyText()) {
        removeKey(settings, keys::kJobSuspendKey);
        removeKey(settings, keys::kJobSuspend2Key);
        return;
    }
    MyPMPrintSetAsciiCStrValue(settings, keys::kJobSuspendKey, korvane::settings::pinDigest(pin, spoolTime).c_str());
    setFixedKeyHex(settings, keys::kJobSuspend2Key, pin, 1);
}

// Writes which kind of user authentication is chosen.
void writeAuthentication(const KorvanePrintPdeRk880JC& panel, PrintSettings* settings)
{
    if (!panel.authenticationRadioButton.isPresent()) {
        removeKey(settings, keys::kAuthentication);
        return;
    }
    MyPMPrintSetAsciiCStrValue(settings, keys::kAuthentication,
                               panel.authenticationRadioButton.state() >= 1 ? "1" : "0");
}

// The login name to write: the captured one while its lock masks the field.
std::optional<std::string> loginNameSource(const KorvanePrintPdeRk880JC& panel)
{
    if (panel.loginNameButton.state() != 0)
        return panel.loginNameStringRef;
    return panel.loginNameEditText.stringValue();
}

// Writes the login name in pieces: fixed-key for the panel, spool-key for the job.
void writeLoginName(const KorvanePrintPdeRk880JC& panel, PrintSettings* settings, const char* spoolTime)
{
    if (!panel.loginNameEditText.isPresent()) {
        MyMultiPMPrintSetAsciiCStrValue(settings, keys::kLoginName1Prefix, nullptr);
        MyMultiPMPrintSetAsciiCStrValue(settings, keys::kLoginName0Prefix, nullptr);
        return;
    }
    const std::optional<std::string> source = loginNameSource(panel);
    TextBytes name;
    korvane::settings::convertText(source.value_or(std::string()), panel.systemEncoding,
                                   korvane::settings::kLoginNameRule, name);
    char value[kResultSize] = {};
    if (!name.isEmptyText())
        fixedKeyBase64(name, value);
    MyMultiPMPrintSetAsciiCStrValue(settings, keys::kLoginName1Prefix, value);

    korvane::settings::convertSecondForm(source, korvane::settings::kLoginNameSecondFormRule, name);
    MyMultiPMPrintSetAsciiCStrValue(settings, keys::kLoginName0Prefix,
                                    korvane::settings::spoolKeyBase64(name, spoolTime).c_str());
}

// Writes the password: spool-key Base64 for the job, two fixed-key blocks for the panel.
void writePassword(const KorvanePrintPdeRk880JC& panel, PrintSettings* settings, const char* spoolTime)
{
    TextBytes password;
    if (panel.passwordEditText.isPresent())
        convertField(panel.passwordEditText, panel.systemEncoding, korvane::settings::kPasswordRule, password);
    if (password.isEmptyText()) {
        removeKey(settings, keys::kPassword);
        removeKey(settings, keys::kPassword2);
        return;
    }
    MyPMPrintSetAsciiCStrValue(settings, keys::kPassword,
                               korvane::settings::spoolKeyBase64(password, spoolTime).c_str());
    setFixedKeyHex(settings, keys::kPassword2, password, 2);
}

// Writes a number as zero-filled digits for the job and one fixed-key block for the panel.
void writeNumber(const platform::TextField& field, platform::StringEncoding encoding, const TextRule& rule,
                 PrintSettings* settings, const char* plainKey, const char* storedKey)
{
    TextBytes number;
    if (field.isPresent())
        convertField(field, encoding, rule, number);
    if (number.isEmptyText()) {
        removeKey(settings, plainKey);
        removeKey(settings, storedKey);
        return;
    }
    char padded[kPaddedSize];
    padText(number, padded);
    MyPMPrintSetAsciiCStrValue(settings, plainKey, padded);
    setFixedKeyHex(settings, storedKey, number, 1);
}

// Writes a user or job name: as typed for the panel, cleaned of control characters and
// quotes in the second form for the job.
void writeJobIdentity(const platform::TextField& field, platform::StringEncoding encoding, PrintSettings* settings,
                      const char* key, const char* secondFormKey)
{
    if (!field.isPresent()) {
        removeKey(settings, key);
        removeKey(settings, secondFormKey);
        return;
    }
    const std::optional<std::string> text = field.stringValue();
    TextBytes name;
    korvane::settings::convertText(text.value_or(std::string()), encoding, korvane::settings::kJobIdentityRule, name);
    setHexValue(settings, key, name.bytes, name.count);
    korvane::settings::convertJobIdentitySecondForm(text, name);
    setHexValue(settings, secondFormKey, name.bytes, name.count);
}

// Writes the folder password: its digest for the job (spool time first) and one fixed-key
// block for the panel.
void writeFolderPassword(const KorvanePrintPdeRk880JC& panel, PrintSettings* settings, const char* spoolTime)
{
    TextBytes password;
    if (panel.folderPasswordEditText.isPresent())
        convertField(panel.folderPasswordEditText, panel.systemEncoding, korvane::settings::kFolderPasswordRule,
                     password);
    if (password.isEmptyText()) {
        removeKey(settings, keys::kFolderPassword);
        removeKey(settings, keys::kFolderPassword2);
        return;
    }
    MyPMPrintSetAsciiCStrValue(settings, keys::kFolderPassword,
                               korvane::settings::folderPasswordDigest(password, spoolTime).c_str());
    setFixedKeyHex(settings, keys::kFolderPassword2, password, 1);
}

// The lock bits of the padlock buttons that are on.
std::uint32_t lockBits(const KorvanePrintPdeRk880JC& panel)
{
    namespace bits = korvane::lockbits;
    const std::pair<const platform::Button*, std::uint32_t> locks[] = {
        {&panel.suspendKeyButton, bits::kSuspendKey}, {&panel.loginNameButton, bits::kLoginName},
        {&panel.passwordButton, bits::kPassword},     {&panel.userNameButton, bits::kUserName},
        {&panel.jobNameButton, bits::kJobName},       {&panel.folderPasswordButton, bits::kFolderPassword},
        {&panel.userNumberButton, bits::kUserNumber}, {&panel.accountNumberButton, bits::kAccountNumber},
        {&panel.folderNameButton, bits::kFolderName},
    };
    std::uint32_t sum = 0;
    for (const auto& [button, bit] : locks)
        if (button->state() != 0)
            sum += bit;
    return sum;
}

}  // namespace

namespace korvane::settings {

int writeFilingSettings(const KorvanePrintPdeRk880JC& panel, PrintSettings& settings, bool hasHardDisk)
{
    removeKey(&settings, keys::kFiling);
    removeKey(&settings, keys::kFolderPath);
    removeKey(&settings, keys::kFolderPath2);
    int filing = 0;
    if (panel.folderSelectionPopup.isPresent() || panel.folderSelectionMatrix.isPresent()) {
        if (hasHardDisk && panel.retentionCheckBox.state() != 0)
            filing = chosenFiling(panel);
        const std::string digit = std::to_string(filing);
        MyPMPrintSetAsciiCStrValue(&settings, keys::kFiling, digit.c_str());
        if (filing == 3) {
            writeCustomFolderPath(panel, settings);
            return filing;
        }
        if (filing == 2) {
            writeStandardFolderPath(settings);
            return filing;
        }
        if (filing == 1)
            return filing;
    }
    // A retained job without a filing choice still goes to the main folder.
    if (panel.retentionCheckBox.state() == 1)
        writeStandardFolderPath(settings);
    return filing;
}

}  // namespace korvane::settings

// Stamps the job with a new spool time and sets or removes every job control key from the
// controls; before the controls are prepared it leaves the print settings alone.
void KorvanePrintPdeRk880JC::writeNonPPDSettingsToPrintSettings()
{
    _PDEProlog(this, "--writeNonPPDSettingsToPrintSettings:");
    PrintSettings* settings = pdePluginCallbackObject ? pdePluginCallbackObject->printSettings() : nullptr;
    if (!settings || !hasInited) {
        _PDEEpilog(this, "--writeNonPPDSettingsToPrintSettings:");
        return;
    }
    char spoolTime[kSpoolTimeSize] = {};
    const std::size_t spoolTimeLength = GetSpoolTime(spoolTime, sizeof spoolTime);
    setHexValue(settings, keys::kSpoolTime, reinterpret_cast<const unsigned char*>(spoolTime), spoolTimeLength);

    const int filing = korvane::settings::writeFilingSettings(*this, *settings, CheckHardDisk());
    writeRetention(*this, settings, filing, spoolTime);
    writeAuthentication(*this, settings);
    writeLoginName(*this, settings, spoolTime);
    writePassword(*this, settings, spoolTime);
    writeNumber(userNumberEditText, systemEncoding, korvane::settings::kUserNumberRule, settings, keys::kUserNumber,
                keys::kUserNumber2);
    writeNumber(accountNumberEditText, systemEncoding, korvane::settings::kAccountNumberRule, settings,
                keys::kAccountNumber, keys::kAccountNumber2);
    writeJobIdentity(userNameEditText, systemEncoding, settings, keys::kUserName, keys::kUserName2);
    writeJobIdentity(jobNameEditText, systemEncoding, settings, keys::kJobName, keys::kJobName2);
    writeFolderPassword(*this, settings, spoolTime);

    const std::string holdButton = std::to_string(lockBits(*this));
    settings->setValue(keys::kHoldButton, holdButton);
    _PDEEpilog(this, "--writeNonPPDSettingsToPrintSettings:");
}
