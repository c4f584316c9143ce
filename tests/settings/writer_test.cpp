// The settings writer on a real panel of the real layouts, every value checked against an
// independent reckoning of its form.
#include "settings/writer.h"
#include "platform/automation.h"
#include "settings/keys.h"
#include "support/settings_reference.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <string>

namespace keys = korvane::keys;
namespace ref = testing_support::reference;
using testing_support::ScopedEnv;
using testing_support::ScopedUserDirs;
using testing_support::TestHost;

namespace {

constexpr const char* kAbsent = "<absent>";
const std::string kStandardHex = ref::hex("*standard");

class WriterTest : public ::testing::Test {
protected:
    // Loads the panel's view on the named layout (the pop-up layout when none is named).
    void open(std::optional<std::string> layout = std::nullopt)
    {
        host.layout = std::move(layout);
        panel = host.makePanel();
        ASSERT_NE(panel->panelView(), nullptr);
    }

    void save() { panel->saveValuesAndReturnError(nullptr); }

    std::string value(const std::string& key) const { return host.settings.value(key).value_or(kAbsent); }
    bool has(const std::string& key) const { return host.settings.contains(key); }

    // The spool-time text of the last save, read back from its key.
    std::string spoolTime() const
    {
        const std::string text = ref::unhex(value(keys::kSpoolTime));
        EXPECT_TRUE(std::regex_match(text, std::regex("(Mon|Tue|Wed|Thu|Fri|Sat|Sun), [1-9][0-9]? "
                                                      "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                                      "[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} [+-][0-9]{4}")))
            << text;
        return text;
    }

    // The hex of the first blocks of the fixed-key encryption of bytes, zero blocks after it.
    static std::string fixedKeyHex(const std::string& bytes, std::size_t blocks)
    {
        std::string encrypted = ref::aesEncrypt(bytes, ref::fixedKey());
        encrypted.resize(16 * blocks, '\0');
        return ref::hex(encrypted);
    }

    // The plaintext of a spool-key Base64 value, decrypted with the last 16 bytes of T.
    std::string spoolKeyPlaintext(const std::string& base64) const
    {
        return ref::untilZero(ref::aesDecrypt(ref::unbase64(base64), ref::spoolKey(spoolTime())));
    }

    // Turns a radio cell off as a user's script would, leaving its matrix without a selection.
    void deselect(const std::string& cell)
    {
        std::string error;
        ASSERT_TRUE(platform::operateControl(panel->panelView(), cell, "0", &error)) << error;
    }

    ScopedUserDirs dirs;
    ScopedEnv locale{"LC_ALL", "C.UTF-8"};  // a Western UTF-8 system unless a test names another
    TestHost host;
    std::unique_ptr<KorvanePrintPdeRk880JC> panel;
};

}  // namespace

TEST_F(WriterTest, SavingBeforeTheControlsArePreparedLeavesTheSettingsAlone)
{
    host.settings.setValue(keys::kJobSuspend, "2");
    panel = host.makePanel();
    ASSERT_FALSE(panel->hasInited);
    save();
    EXPECT_EQ(host.settings.values(), (std::map<std::string, std::string>{{keys::kJobSuspend, "2"}}));
}

TEST_F(WriterTest, NoPrintSettingsNoWork)
{
    open();
    host.hasSettings = false;
    save();
    EXPECT_TRUE(host.settings.values().empty());
}

TEST_F(WriterTest, RetainedJobWithAFourDigitPIN)
{
    open();
    panel->retentionCheckBox.setState(1);
    panel->suspendMatrix.selectCellAtRow(0);
    panel->suspendKeyEditText.setStringValue("1234");
    save();
    const std::string t = spoolTime();
    EXPECT_EQ(value(keys::kFiling), "0");
    EXPECT_EQ(value(keys::kFolderPath), kStandardHex);
    EXPECT_EQ(value(keys::kFolderPath2), kStandardHex);
    EXPECT_EQ(value(keys::kJobSuspend), "2");
    EXPECT_EQ(value(keys::kJobSuspendKey), ref::md5("01234" + t));
    EXPECT_EQ(value(keys::kJobSuspend2Key), fixedKeyHex("1234", 1));
    EXPECT_EQ(value(keys::kHoldButton), "0");
}

TEST_F(WriterTest, PINIsPaddedForTheDigestOnlyAndCutToEightBytes)
{
    open();
    panel->retentionCheckBox.setState(1);
    panel->suspendMatrix.selectCellAtRow(1);
    panel->suspendKeyEditText.setStringValue("7");
    save();
    EXPECT_EQ(value(keys::kJobSuspend), "1");
    EXPECT_EQ(value(keys::kJobSuspendKey), ref::md5("00007" + spoolTime()));
    EXPECT_EQ(value(keys::kJobSuspend2Key), fixedKeyHex("7", 1));

    panel->suspendMatrix.selectCellAtRow(2);
    panel->suspendKeyEditText.setStringValue("1234567890");
    save();
    EXPECT_EQ(value(keys::kJobSuspend), "3");
    EXPECT_EQ(value(keys::kJobSuspendKey), ref::md5("12345678" + spoolTime()));
    EXPECT_EQ(value(keys::kJobSuspend2Key), fixedKeyHex("12345678", 1));
}

TEST_F(WriterTest, NoRetentionOrNoModeOrNoPINRemovesThePINKeys)
{
    open();
    panel->suspendKeyEditText.setStringValue("1234");
    for (const char* key : {keys::kJobSuspendKey, keys::kJobSuspend2Key, keys::kFolderPath, keys::kFolderPath2})
        host.settings.setValue(key, "old");
    panel->retentionCheckBox.setState(0);
    save();
    EXPECT_EQ(value(keys::kJobSuspend), "0");
    EXPECT_EQ(value(keys::kFiling), "0");
    for (const char* key : {keys::kJobSuspendKey, keys::kJobSuspend2Key, keys::kFolderPath, keys::kFolderPath2})
        EXPECT_FALSE(has(key)) << key;

    panel->retentionCheckBox.setState(1);
    deselect("holdOnlyRadioButton");
    ASSERT_EQ(panel->suspendMatrix.selectedRow(), -1);
    save();
    EXPECT_EQ(value(keys::kJobSuspend), "0");
    EXPECT_FALSE(has(keys::kJobSuspendKey));

    panel->suspendMatrix.selectCellAtRow(0);
    panel->suspendKeyEditText.setStringValue("");
    save();
    EXPECT_EQ(value(keys::kJobSuspend), "2");
    EXPECT_FALSE(has(keys::kJobSuspendKey));
    EXPECT_FALSE(has(keys::kJobSuspend2Key));
}

TEST_F(WriterTest, LoginNameOf176BytesFitsOnePiece)
{
    open();
    const std::string name(176, 'n');
    host.settings.setValue(keys::kLoginName12, "old");
    host.settings.setValue(std::string(keys::kLoginName0Prefix) + "2", "old");
    panel->loginNameEditText.setStringValue(name);
    save();
    EXPECT_EQ(value(keys::kLoginName11), ref::base64(ref::aesEncrypt(name, ref::fixedKey())));
    EXPECT_EQ(value(keys::kLoginName11).size(), 236u);
    EXPECT_FALSE(has(keys::kLoginName12));
    const std::string piece01 = value(std::string(keys::kLoginName0Prefix) + "1");
    EXPECT_EQ(piece01.size(), 236u);
    EXPECT_EQ(spoolKeyPlaintext(piece01), name);
    EXPECT_FALSE(has(std::string(keys::kLoginName0Prefix) + "2"));
}

TEST_F(WriterTest, LoginNameOf177BytesNeedsTwoPiecesAndRemovesTheThird)
{
    open();
    const std::string name(177, 'n');
    const std::string prefix0 = keys::kLoginName0Prefix;
    const std::string key13 = std::string(keys::kLoginName1Prefix) + "3";
    const std::string key14 = std::string(keys::kLoginName1Prefix) + "4";
    for (const std::string& key : {key13, key14, prefix0 + "3"})
        host.settings.setValue(key, "old");
    panel->loginNameEditText.setStringValue(name);
    save();
    const std::string fixed = ref::base64(ref::aesEncrypt(name, ref::fixedKey()));
    ASSERT_EQ(fixed.size(), 256u);
    EXPECT_EQ(value(keys::kLoginName11), fixed.substr(0, 254));
    EXPECT_EQ(value(keys::kLoginName12), fixed.substr(254));
    EXPECT_FALSE(has(key13));
    EXPECT_EQ(value(key14), "old");
    EXPECT_EQ(spoolKeyPlaintext(value(prefix0 + "1") + value(prefix0 + "2")), name);
    EXPECT_FALSE(has(prefix0 + "3"));
}

TEST_F(WriterTest, LongestLoginNameIs255BytesAndItsSecondFormIsWindowsLatin1)
{
    open();
    panel->loginNameEditText.setStringValue("Ren\xC3\xA9" + std::string(300, 'x'));
    save();
    const std::string prefix1 = keys::kLoginName1Prefix;
    const std::string prefix0 = keys::kLoginName0Prefix;
    const std::string firstForm = "Ren\xC3\xA9" + std::string(250, 'x');  // 255 bytes in UTF-8
    EXPECT_EQ(
        ref::untilZero(ref::aesDecrypt(ref::unbase64(value(prefix1 + "1") + value(prefix1 + "2")), ref::fixedKey())),
        firstForm);
    EXPECT_EQ(spoolKeyPlaintext(value(prefix0 + "1") + value(prefix0 + "2")), "Ren\xE9" + std::string(251, 'x'));
}

TEST_F(WriterTest, LockedLoginNameWritesTheCapturedName)
{
    open();
    panel->loginNameEditText.setStringValue("\xE2\x80\xA2\xE2\x80\xA2\xE2\x80\xA2");  // the mask on show
    panel->loginNameStringRef = "alice";
    panel->loginNameButton.setState(1);
    save();
    EXPECT_EQ(value(keys::kLoginName11), ref::base64(ref::aesEncrypt("alice", ref::fixedKey())));
    EXPECT_EQ(spoolKeyPlaintext(value(std::string(keys::kLoginName0Prefix) + "1")), "alice");

    panel->loginNameStringRef.reset();
    save();
    EXPECT_FALSE(has(keys::kLoginName11));
    EXPECT_FALSE(has(std::string(keys::kLoginName0Prefix) + "1"));
}

TEST_F(WriterTest, EmptyLoginNameRemovesOnlyThePieceOneKeys)
{
    open();
    const std::string prefix0 = keys::kLoginName0Prefix;
    for (const std::string& key :
         {std::string(keys::kLoginName11), std::string(keys::kLoginName12), prefix0 + "1", prefix0 + "2"})
        host.settings.setValue(key, "old");
    panel->loginNameEditText.setStringValue("");
    save();
    EXPECT_FALSE(has(keys::kLoginName11));
    EXPECT_FALSE(has(prefix0 + "1"));
    EXPECT_EQ(value(keys::kLoginName12), "old");
    EXPECT_EQ(value(prefix0 + "2"), "old");
}

TEST_F(WriterTest, PasswordOf16BytesFillsOneBlockOfTwo)
{
    open();
    const std::string password = "0123456789abcdef";
    panel->passwordEditText.setStringValue(password);
    save();
    EXPECT_EQ(value(keys::kPassword2), fixedKeyHex(password, 1) + std::string(32, '0'));
    EXPECT_EQ(ref::unbase64(value(keys::kPassword)).size(), 16u);
    EXPECT_EQ(spoolKeyPlaintext(value(keys::kPassword)), password);
}

TEST_F(WriterTest, LongPasswordIsCutTo32BytesAndUnrepresentableBecomesSpace)
{
    open();
    panel->passwordEditText.setStringValue(std::string(20, 'p') + "\xF0\x9F\x94\x91" + std::string(20, 'q'));
    save();
    // UTF-8 represents every character; 32 bytes take 20 + 4 + 8.
    const std::string expected = std::string(20, 'p') + "\xF0\x9F\x94\x91" + std::string(8, 'q');
    EXPECT_EQ(value(keys::kPassword2), fixedKeyHex(expected, 2));
    EXPECT_EQ(spoolKeyPlaintext(value(keys::kPassword)), expected);
}

TEST_F(WriterTest, NumbersArePaddedPlainAndEncryptedAsTyped)
{
    open();
    panel->userNumberEditText.setStringValue("77");
    panel->accountNumberEditText.setStringValue("1234567");
    save();
    EXPECT_EQ(value(keys::kUserNumber), "00077");
    EXPECT_EQ(value(keys::kUserNumber2), fixedKeyHex("77", 1));
    EXPECT_EQ(value(keys::kAccountNumber), "12345");
    EXPECT_EQ(value(keys::kAccountNumber2), fixedKeyHex("12345", 1));

    panel->userNumberEditText.setStringValue("");
    save();
    EXPECT_FALSE(has(keys::kUserNumber));
    EXPECT_FALSE(has(keys::kUserNumber2));
}

TEST_F(WriterTest, FolderPasswordDigestPutsTheSpoolTimeFirst)
{
    open();
    panel->folderPasswordEditText.setStringValue("42");
    save();
    EXPECT_EQ(value(keys::kFolderPassword), ref::md5(spoolTime() + "00042"));
    EXPECT_EQ(value(keys::kFolderPassword2), fixedKeyHex("42", 1));
}

TEST_F(WriterTest, UserAndJobNamesKeepTabsAndCleanTheSecondForm)
{
    open();
    panel->userNameEditText.setStringValue("a\tb\"c\nd");
    panel->jobNameEditText.setStringValue("Caf\xC3\xA9 \xE6\x97\xA5");
    save();
    EXPECT_EQ(value(keys::kUserName), ref::hex("a\tb\"c\nd"));
    EXPECT_EQ(value(keys::kUserName2), ref::hex("a\tb c d"));
    EXPECT_EQ(value(keys::kJobName), ref::hex("Caf\xC3\xA9 \xE6\x97\xA5"));
    EXPECT_EQ(value(keys::kJobName2), ref::hex("Caf\xE9  "));

    panel->userNameEditText.setStringValue("");
    save();
    EXPECT_FALSE(has(keys::kUserName));
    EXPECT_FALSE(has(keys::kUserName2));
}

TEST_F(WriterTest, NamesOnALatinSystemTryMacJapaneseWhenNothingConverts)
{
    ScopedEnv lang("LC_ALL", "de_DE.ISO-8859-1");
    open();
    panel->userNameEditText.setStringValue("\xE6\x97\xA5\xE6\x9C\xAC");
    panel->jobNameEditText.setStringValue("B\xC3\xBCro");
    save();
    EXPECT_EQ(value(keys::kUserName), "93FA967B");
    EXPECT_EQ(value(keys::kUserName2), ref::hex("  "));
    EXPECT_EQ(value(keys::kJobName), ref::hex("B\xFCro"));
}

TEST_F(WriterTest, OnAJapaneseSystemTheSecondFormsStayInTheSystemEncoding)
{
    ScopedEnv lang("LC_ALL", "ja_JP.eucJP");
    open();
    const std::string nihon = "\xE6\x97\xA5\xE6\x9C\xAC";
    const std::string eucNihon = "\xC6\xFC\xCB\xDC";
    panel->userNameEditText.setStringValue(nihon + "\"");
    panel->loginNameEditText.setStringValue(nihon);
    save();
    EXPECT_EQ(value(keys::kUserName), ref::hex(eucNihon + "\""));
    EXPECT_EQ(value(keys::kUserName2), ref::hex(eucNihon + " "));
    EXPECT_EQ(spoolKeyPlaintext(value(std::string(keys::kLoginName0Prefix) + "1")), eucNihon);
}

TEST_F(WriterTest, AuthenticationFollowsTheLoginCell)
{
    open();
    panel->authenticationMatrix.selectCellAtRow(0);
    save();
    EXPECT_EQ(value(keys::kAuthentication), "1");
    panel->authenticationMatrix.selectCellAtRow(1);
    ASSERT_EQ(panel->authenticationRadioButton.state(), 0);
    save();
    EXPECT_EQ(value(keys::kAuthentication), "0");
}

TEST_F(WriterTest, LockBitsAddUp)
{
    open("JobControl2");
    for (platform::Button* lock : {&panel->suspendKeyButton, &panel->loginNameButton, &panel->passwordButton,
                                   &panel->userNameButton, &panel->jobNameButton, &panel->folderPasswordButton,
                                   &panel->userNumberButton, &panel->accountNumberButton, &panel->folderNameButton}) {
        ASSERT_TRUE(lock->isPresent());
        lock->setState(1);
    }
    save();
    EXPECT_EQ(value(keys::kHoldButton), "511");

    for (platform::Button* lock :
         {&panel->suspendKeyButton, &panel->passwordButton, &panel->userNameButton, &panel->folderPasswordButton,
          &panel->userNumberButton, &panel->accountNumberButton, &panel->folderNameButton})
        lock->setState(0);
    save();
    EXPECT_EQ(value(keys::kHoldButton), "18");
}

// Fills every control, saves, then takes every control away and saves again.
class AbsentControlsTest : public WriterTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(AbsentControlsTest, AbsentControlsRemoveTheirKeys)
{
    open(GetParam());
    panel->retentionCheckBox.setState(1);
    for (auto [field, text] : {std::pair{&panel->suspendKeyEditText, "1234"},
                               {&panel->loginNameEditText, "bob"},
                               {&panel->passwordEditText, "pw"},
                               {&panel->userNumberEditText, "12"},
                               {&panel->accountNumberEditText, "34"},
                               {&panel->userNameEditText, "Bob"},
                               {&panel->jobNameEditText, "Job"},
                               {&panel->folderPasswordEditText, "56"}})
        field->setStringValue(text);
    panel->userNameButton.setState(1);
    save();
    ASSERT_EQ(host.settings.values().size(), 23u);  // every key of the table, one login-name piece each

    // Without the folder controls a retained job still goes to the main folder.
    panel->folderSelectionPopup = platform::PopUp();
    panel->folderSelectionMatrix = platform::Matrix();
    save();
    EXPECT_FALSE(has(keys::kFiling));
    EXPECT_EQ(value(keys::kFolderPath), kStandardHex);

    panel->retentionCheckBox = platform::Button();
    panel->suspendMatrix = platform::Matrix();
    panel->suspendKeyEditText = platform::TextField();
    panel->authenticationRadioButton = platform::Button();
    panel->loginNameEditText = platform::TextField();
    panel->passwordEditText = platform::TextField();
    panel->userNumberEditText = platform::TextField();
    panel->accountNumberEditText = platform::TextField();
    panel->userNameEditText = platform::TextField();
    panel->jobNameEditText = platform::TextField();
    panel->folderPasswordEditText = platform::TextField();
    panel->userNameButton = platform::Button();
    save();
    EXPECT_EQ(host.settings.values().size(), 2u);
    EXPECT_TRUE(has(keys::kSpoolTime));
    EXPECT_EQ(value(keys::kHoldButton), "0");
}

TEST_P(AbsentControlsTest, AbsentPINFieldOrModeRemovesOnlyWhatDependsOnIt)
{
    open(GetParam());
    panel->retentionCheckBox.setState(1);
    panel->suspendKeyEditText.setStringValue("1234");
    panel->suspendKeyEditText = platform::TextField();
    save();
    EXPECT_EQ(value(keys::kJobSuspend), "2");
    EXPECT_FALSE(has(keys::kJobSuspendKey));

    panel->suspendMatrix = platform::Matrix();
    save();
    EXPECT_FALSE(has(keys::kJobSuspend));
}

INSTANTIATE_TEST_SUITE_P(Layouts, AbsentControlsTest, ::testing::Values("JobControl", "JobControl2"));

// The filing step as a model with a printer hard disk would take it.
TEST_F(WriterTest, FilingWithAHardDiskFromThePopUp)
{
    open();
    panel->retentionCheckBox.setState(1);
    panel->folderSelectionPopup.addSeparator();
    panel->folderSelectionPopup.addItem("B\xC3\xBCro", platform::Image());
    panel->folderSelectionPopup.addItem("\xE6\x97\xA5\xE6\x9C\xAC", platform::Image());
    panel->folderSelectionPopup.addItem("long", platform::Image());
    panel->folderList = FolderList{{"B\xC3\xBCro"}, {"\xE6\x97\xA5\xE6\x9C\xAC"}, {std::string(256, 'f')}};
    platform::PrintSettings& settings = host.settings;

    panel->folderSelectionPopup.selectItemAtIndex(0);
    EXPECT_EQ(korvane::settings::writeFilingSettings(*panel, settings, true), 1);
    EXPECT_EQ(value(keys::kFiling), "1");
    EXPECT_FALSE(has(keys::kFolderPath));

    panel->folderSelectionPopup.selectItemAtIndex(1);
    EXPECT_EQ(korvane::settings::writeFilingSettings(*panel, settings, true), 2);
    EXPECT_EQ(value(keys::kFiling), "2");
    EXPECT_EQ(value(keys::kFolderPath2), kStandardHex);

    panel->folderSelectionPopup.selectItemAtIndex(3);
    EXPECT_EQ(korvane::settings::writeFilingSettings(*panel, settings, true), 3);
    EXPECT_EQ(value(keys::kFolderPath), ref::hex("B\xC3\xBCro"));
    EXPECT_EQ(value(keys::kFolderPath2), ref::hex("B\xFCro"));

    panel->folderSelectionPopup.selectItemAtIndex(4);
    korvane::settings::writeFilingSettings(*panel, settings, true);
    EXPECT_EQ(value(keys::kFolderPath), ref::hex("\xE6\x97\xA5\xE6\x9C\xAC"));
    EXPECT_EQ(value(keys::kFolderPath2), "93FA967B");  // not Windows Latin 1: Mac Japanese

    panel->folderSelectionPopup.selectItemAtIndex(5);
    korvane::settings::writeFilingSettings(*panel, settings, true);
    EXPECT_EQ(value(keys::kFiling), "3");
    EXPECT_FALSE(has(keys::kFolderPath));
    EXPECT_FALSE(has(keys::kFolderPath2));

    panel->retentionCheckBox.setState(0);
    EXPECT_EQ(korvane::settings::writeFilingSettings(*panel, settings, true), 0);
    EXPECT_EQ(value(keys::kFiling), "0");
    EXPECT_FALSE(has(keys::kFolderPath));
}

TEST_F(WriterTest, FilingWithAHardDiskFromTheMatrix)
{
    open("JobControl2");
    panel->retentionCheckBox.setState(1);
    panel->folderSelectionMatrix.selectCellAtRow(2);
    panel->folderNameEditText.setStringValue("Box 1");
    EXPECT_EQ(korvane::settings::writeFilingSettings(*panel, host.settings, true), 3);
    EXPECT_EQ(value(keys::kFolderPath), ref::hex("Box 1"));
    EXPECT_EQ(value(keys::kFolderPath2), ref::hex("Box 1"));

    panel->folderSelectionMatrix.selectCellAtRow(0);
    EXPECT_EQ(korvane::settings::writeFilingSettings(*panel, host.settings, true), 1);
    EXPECT_FALSE(has(keys::kFolderPath));
}
