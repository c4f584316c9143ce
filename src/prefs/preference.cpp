// The per-user, per-queue store of remembered values, lock states, address and folder list.
//
// Everything lives in the "Job Control" dictionary of the queue's preference domain. Values of
// secrets are kept in the same encrypted forms the print settings carry, so the reader decodes
// both sources with one step. Every operation reads the domain afresh, since other dialogs of
// the same user may have written it, and every write replaces the whole domain.
#include "plugin/KorvanePrintPdeRk880JC.h"
#include "plugin/product_name.h"

#include "crypto/aes.h"
#include "crypto/base64.h"
#include "crypto/hex.h"
#include "platform/notice.h"
#include "platform/user_defaults.h"
#include "settings/keys.h"

#include <array>
#include <cstring>

namespace {

using platform::PropertyArray;
using platform::PropertyDictionary;
using platform::PropertyValue;

constexpr const char* kJobControlKey = "Job Control";
constexpr const char* kModelNameKey = "Model Name";
constexpr const char* kReleaseNumberKey = "Release Number";
constexpr const char* kHoldButtonKey = "hold button";
constexpr const char* kPassCodeKey = "pass code";
constexpr const char* kAuthenticationKey = "authentication";
constexpr const char* kUserLoginNameKey = "user login name";
constexpr const char* kUserPasswordKey = "user password";
constexpr const char* kUserNumberKey = "user number";
constexpr const char* kAccountNumberKey = "account number";
constexpr const char* kUserNameKey = "user name";
constexpr const char* kJobNameKey = "job name";
constexpr const char* kFolderPassCodeKey = "folder pass code";
constexpr const char* kFolderNameKey = "folder name";
constexpr const char* kAddressKey = "address";
constexpr const char* kFilesKey = "files";
constexpr const char* kFileNameKey = "name";
constexpr const char* kFilePasswordKey = "password";
constexpr const char* kFileDirKey = "dir";
constexpr const char* kFileAddKey = "add";

// The release whose dictionary layout this store reads; any other is reset.
constexpr const char* kReleaseNumber = "2.00";

// Texts are turned into bytes in a buffer of this size before they are encrypted.
constexpr std::size_t kTextBufferSize = 256;

// One operation's view of the domain: the defaults it came from and working copies of the
// domain and of its "Job Control" dictionary (empty when missing).
struct OpenedDomain {
    platform::UserDefaults defaults;
    std::string name;
    PropertyDictionary domain;
    PropertyDictionary jobControl;
    bool hasJobControl = false;
};

// Reads the named domain afresh; nothing when there is no name or no defaults object.
std::optional<OpenedDomain> openDomain(const std::optional<std::string>& name)
{
    if (!name)
        return std::nullopt;
    auto defaults = platform::standardUserDefaults(korvane::kProductName);
    if (!defaults)
        return std::nullopt;
    defaults->resetStandardUserDefaults();
    OpenedDomain opened{std::move(*defaults), *name, {}, {}, false};
    if (auto domain = opened.defaults.persistentDomainForName(*name)) {
        opened.domain = std::move(*domain);
        auto entry = opened.domain.find(kJobControlKey);
        if (entry != opened.domain.end() && entry->second.dictionary()) {
            // Moved, not copied: it goes back under its key before the domain is written.
            opened.jobControl = std::move(std::get<PropertyDictionary>(entry->second.value));
            opened.hasJobControl = true;
        }
    }
    return opened;
}

// Puts the working "Job Control" back into the domain and writes the whole domain; true when
// it reached storage. The opened domain is used up.
bool writeDomain(OpenedDomain& opened)
{
    opened.domain[kJobControlKey] = PropertyValue{std::move(opened.jobControl)};
    opened.defaults.setPersistentDomain(std::move(opened.domain), opened.name);
    return opened.defaults.synchronize();
}

// Writes the domain for a save the user expects to last; when it does not reach storage the
// user is told, since the host protocol has no word for it and the save still counts as done.
bool saveDomain(OpenedDomain& opened)
{
    if (writeDomain(opened))
        return true;
    platform::noticeToUser("The values of the Job Control tab could not be saved to " +
                           opened.defaults.pathOfDomain(opened.name) + "; they will not be remembered.");
    return false;
}

// Tells the user that there is no place to save values in at all.
void noticeNoPlaceToSave()
{
    platform::noticeToUser(
        "The values of the Job Control tab cannot be saved: neither XDG_CONFIG_HOME nor HOME "
        "names an absolute folder.");
}

// The string stored under key, or nothing when it is absent or not a string.
std::optional<std::string> storedString(const PropertyDictionary& dictionary, const char* key)
{
    auto entry = dictionary.find(key);
    if (entry == dictionary.end() || !entry->second.string())
        return std::nullopt;
    return *entry->second.string();
}

// The boolean stored under key, or nothing when it is absent or not a boolean.
std::optional<bool> storedBoolean(const PropertyDictionary& dictionary, const char* key)
{
    auto entry = dictionary.find(key);
    if (entry == dictionary.end() || !entry->second.boolean())
        return std::nullopt;
    return *entry->second.boolean();
}

// Stores a text under key when there is one; an absent control's key keeps its stored value.
void storeText(PropertyDictionary& dictionary, const char* key, const std::optional<std::string>& text)
{
    if (text)
        dictionary[key] = PropertyValue{*text};
}

// The fixed-key AES of bytes (at most 255), as the hex of the first `encryptedSize` encrypted
// bytes; a short text's missing blocks are zero. Empty when there are no bytes.
std::string fixedKeyHex(const std::string& bytes, int encryptedSize)
{
    if (bytes.empty() || bytes.size() >= kTextBufferSize)
        return {};
    std::array<unsigned char, kTextBufferSize> plain{};
    std::memcpy(plain.data(), bytes.data(), bytes.size());
    std::array<unsigned char, kTextBufferSize> encrypted{};
    my_aes_encrypt(plain.data(), encrypted.data(), encryptedSize);
    std::array<char, 2 * kTextBufferSize + 1> hex{};
    myitoa(encrypted.data(), hex.data(), encryptedSize);
    return hex.data();
}

// The first characters of a text as bytes in the system encoding, ending at the first
// character the encoding cannot represent.
std::string leadingBytes(const std::string& text, platform::StringEncoding encoding, std::size_t count)
{
    return platform::getBytes(text, encoding, count, count, platform::Unrepresentable::EndsConversion).bytes;
}

// "pass code", "user number" and "account number": 16 bytes encrypted, 32 hex digits.
std::string shortSecretForm(const std::string& text, platform::StringEncoding encoding)
{
    return fixedKeyHex(leadingBytes(text, encoding, 16), 16);
}

// "user password": always two blocks, 64 hex digits.
std::string passwordForm(const std::string& text, platform::StringEncoding encoding)
{
    return fixedKeyHex(leadingBytes(text, encoding, 32), 32);
}

// "folder pass code": the whole text in ASCII whatever the system encoding, the first block
// as 32 hex digits. A text that is not ASCII, or too long for the buffer, stores nothing.
std::string folderPassCodeForm(const std::string& text, platform::StringEncoding /*encoding*/)
{
    auto bytes = platform::getCString(text, platform::kASCIIStringEncoding, kTextBufferSize - 1);
    return bytes ? fixedKeyHex(*bytes, 16) : std::string();
}

// "user login name": every encrypted block as Base64.
std::string loginNameForm(const std::string& text, platform::StringEncoding encoding)
{
    const std::string bytes = leadingBytes(text, encoding, kTextBufferSize - 1);
    if (bytes.empty())
        return {};
    std::array<unsigned char, kTextBufferSize> plain{};
    std::memcpy(plain.data(), bytes.data(), bytes.size());
    const int encryptedSize = static_cast<int>((bytes.size() + 15) / 16 * 16);
    std::array<unsigned char, kTextBufferSize> encrypted{};
    my_aes_encrypt(plain.data(), encrypted.data(), encryptedSize);
    std::array<char, 512> coded{};
    Base64encode(coded.data(), encrypted.data(), encryptedSize);
    return coded.data();
}

// Stores the encrypted form of a control's text; an absent control's key keeps its stored value.
void storeSecret(PropertyDictionary& dictionary, const char* key, const std::optional<std::string>& text,
                 std::string (*form)(const std::string&, platform::StringEncoding), platform::StringEncoding encoding)
{
    if (text)
        dictionary[key] = PropertyValue{form(*text, encoding)};
}

// The folder list as stored: "name" only when the folder has one.
PropertyArray storedFolderList(const FolderList& folders)
{
    PropertyArray files;
    for (const FolderEntry& folder : folders) {
        PropertyDictionary entry;
        if (folder.name)
            entry[kFileNameKey] = PropertyValue{*folder.name};
        entry[kFilePasswordKey] = PropertyValue{folder.password};
        entry[kFileDirKey] = PropertyValue{folder.dir};
        entry[kFileAddKey] = PropertyValue{folder.add};
        files.emplace_back().value = std::move(entry);
    }
    return files;
}

// The folder list read back; entries that are not dictionaries are skipped, and a missing or
// mistyped flag reads as false.
FolderList folderListOfStored(const PropertyDictionary& jobControl)
{
    FolderList folders;
    auto files = jobControl.find(kFilesKey);
    if (files == jobControl.end() || !files->second.array())
        return folders;
    for (const PropertyValue& item : *files->second.array()) {
        const PropertyDictionary* entry = item.dictionary();
        if (!entry)
            continue;
        FolderEntry folder;
        folder.name = storedString(*entry, kFileNameKey);
        folder.password = storedBoolean(*entry, kFilePasswordKey).value_or(false);
        folder.dir = storedBoolean(*entry, kFileDirKey).value_or(false);
        folder.add = storedBoolean(*entry, kFileAddKey).value_or(false);
        folders.push_back(std::move(folder));
    }
    return folders;
}

// The lock bits stored under "hold button", when they are a 32-bit integer.
std::optional<std::uint32_t> storedLockBits(const PropertyDictionary& jobControl)
{
    auto entry = jobControl.find(kHoldButtonKey);
    if (entry == jobControl.end() || !entry->second.integer())
        return std::nullopt;
    const std::int64_t bits = *entry->second.integer();
    if (bits < INT32_MIN || bits > INT32_MAX)
        return std::nullopt;
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(bits));
}

// Whether a lock button is on; an absent one is off.
bool isOn(const platform::Button& button)
{
    return button.state() == 1;
}

}  // namespace

// Resets the queue's dictionary when another model or release wrote it, and writes the domain.
void KorvanePrintPdeRk880JC::CheckPreference()
{
    auto opened = openDomain(preferenceName);
    if (!opened)
        return;
    PropertyDictionary& jobControl = opened->jobControl;
    const bool sameModel = storedString(jobControl, kModelNameKey) == modelStringRef;
    const bool sameRelease = storedString(jobControl, kReleaseNumberKey) == std::optional<std::string>(kReleaseNumber);
    if (!sameModel || !sameRelease) {
        // Written by another model or release: nothing in it can be trusted to mean the same.
        jobControl.clear();
        if (modelStringRef)
            jobControl[kModelNameKey] = PropertyValue{*modelStringRef};
        jobControl[kReleaseNumberKey] = PropertyValue{std::string(kReleaseNumber)};
    }
    writeDomain(*opened);
}

// Loads the lock bits and the values stored with their padlocks on.
void KorvanePrintPdeRk880JC::GetUserPreference()
{
    if (!preferenceName)
        return;
    prefHoldButtonFlag = 0;
    prefSuspendKeyStringRef.reset();
    prefAuthenticationBooleanRef.reset();
    prefLoginNameStringRef.reset();
    prefPasswordStringRef.reset();
    prefUserNumberStringRef.reset();
    prefAccountNumberStringRef.reset();
    prefUserNameStringRef.reset();
    prefJobNameStringRef.reset();
    prefFolderPassStringRef.reset();
    prefFolderNameStringRef.reset();

    auto opened = openDomain(preferenceName);
    if (!opened || !opened->hasJobControl)
        return;
    const PropertyDictionary& jobControl = opened->jobControl;
    const auto bits = storedLockBits(jobControl);
    if (!bits)
        return;
    using namespace korvane::lockbits;
    // A value is remembered only when its padlock was on when it was stored.
    auto load = [&](std::optional<std::string>& field, std::uint32_t bit, const char* key) {
        if (*bits & bit)
            field = storedString(jobControl, key);
    };
    load(prefSuspendKeyStringRef, kSuspendKey, kPassCodeKey);
    prefAuthenticationBooleanRef = storedBoolean(jobControl, kAuthenticationKey);
    load(prefLoginNameStringRef, kLoginName, kUserLoginNameKey);
    load(prefPasswordStringRef, kPassword, kUserPasswordKey);
    load(prefUserNumberStringRef, kUserNumber, kUserNumberKey);
    load(prefAccountNumberStringRef, kAccountNumber, kAccountNumberKey);
    load(prefUserNameStringRef, kUserName, kUserNameKey);
    load(prefJobNameStringRef, kJobName, kJobNameKey);
    load(prefFolderPassStringRef, kFolderPassword, kFolderPassCodeKey);
    load(prefFolderNameStringRef, kFolderName, kFolderNameKey);
    prefHoldButtonFlag = *bits;
}

// Stores every value, locked or not, with the lock bits that say which of them come back.
bool KorvanePrintPdeRk880JC::SaveUserPreference()
{
    auto opened = openDomain(preferenceName);
    if (!opened) {
        if (preferenceName)
            noticeNoPlaceToSave();
        return false;
    }
    using namespace korvane::lockbits;
    PropertyDictionary& jobControl = opened->jobControl;
    const platform::StringEncoding encoding = systemEncoding;
    std::uint32_t bits = 0;
    auto lock = [&bits](const platform::Button& button, std::uint32_t bit) {
        if (isOn(button))
            bits |= bit;
    };

    lock(suspendKeyButton, kSuspendKey);
    storeSecret(jobControl, kPassCodeKey, suspendKeyEditText.stringValue(), shortSecretForm, encoding);

    jobControl[kAuthenticationKey] = PropertyValue{isOn(authenticationRadioButton)};

    // While its padlock is on the field shows bullets; the name itself is the one held aside.
    lock(loginNameButton, kLoginName);
    const std::optional<std::string> loginName =
        isOn(loginNameButton) ? loginNameStringRef : loginNameEditText.stringValue();
    storeSecret(jobControl, kUserLoginNameKey, loginName, loginNameForm, encoding);

    lock(passwordButton, kPassword);
    storeSecret(jobControl, kUserPasswordKey, passwordEditText.stringValue(), passwordForm, encoding);

    lock(userNumberButton, kUserNumber);
    storeSecret(jobControl, kUserNumberKey, userNumberEditText.stringValue(), shortSecretForm, encoding);

    lock(accountNumberButton, kAccountNumber);
    storeSecret(jobControl, kAccountNumberKey, accountNumberEditText.stringValue(), shortSecretForm, encoding);

    lock(userNameButton, kUserName);
    storeText(jobControl, kUserNameKey, userNameEditText.stringValue());

    lock(jobNameButton, kJobName);
    storeText(jobControl, kJobNameKey, jobNameEditText.stringValue());

    lock(folderPasswordButton, kFolderPassword);
    storeSecret(jobControl, kFolderPassCodeKey, folderPasswordEditText.stringValue(), folderPassCodeForm, encoding);

    lock(folderNameButton, kFolderName);
    storeText(jobControl, kFolderNameKey, folderNameEditText.stringValue());

    jobControl[kHoldButtonKey] = PropertyValue{static_cast<std::int64_t>(static_cast<std::int32_t>(bits))};
    return saveDomain(*opened);
}

// Loads the stored printer address and folder list.
void KorvanePrintPdeRk880JC::GetFolderPreference()
{
    if (!preferenceName)
        return;
    if (korvane_print_system) {
        // Such printers keep their folders to themselves: nothing is offered from the store.
        folderList.reset();
        return;
    }
    auto opened = openDomain(preferenceName);
    if (!opened || !opened->hasJobControl)
        return;
    addressStringRef = storedString(opened->jobControl, kAddressKey);
    folderList = folderListOfStored(opened->jobControl);
}

// Stores the address field and, when there is one, the folder list.
bool KorvanePrintPdeRk880JC::SaveFolderPreference()
{
    auto opened = openDomain(preferenceName);
    if (!opened) {
        if (preferenceName)
            noticeNoPlaceToSave();
        return false;
    }
    storeText(opened->jobControl, kAddressKey, printersAddressEditText.stringValue());
    if (folderList)
        opened->jobControl[kFilesKey] = PropertyValue{storedFolderList(*folderList)};
    return saveDomain(*opened);
}

// Kept for the protocol's sake: nothing calls them and they store nothing.
bool KorvanePrintPdeRk880JC::GetHDDPreference()
{
    return true;
}
bool KorvanePrintPdeRk880JC::SaveHDDPreference()
{
    return true;
}
