// Reading the job control settings back, from print settings built by hand with the tests' own
// reckoning of the stored forms, and from what the panel itself saved; on both layouts.
#include "platform/automation.h"
#include "platform/encoding.h"
#include "platform/system.h"
#include "settings/keys.h"
#include "support/settings_reference.h"
#include "support/test_host.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace keys = korvane::keys;
namespace ref = testing_support::reference;
using Panel = KorvanePrintPdeRk880JC;
using Values = std::map<std::string, std::string>;

// --- The stored forms, made with the tests' own reckoning rather than the panel's codecs ---

std::string aesBlocks(const std::string& plain)
{
    return ref::aesEncrypt(plain, ref::fixedKey());
}

// The one-block hex form of the PIN, user number, account number and folder password.
std::string oneBlockForm(const std::string& text)
{
    return ref::hex(aesBlocks(text));
}

// The two-block hex form of the password: zero bytes stand for a block not produced.
std::string passwordForm(const std::string& text)
{
    std::string blocks = aesBlocks(text);
    blocks.resize(32, '\0');
    return ref::hex(blocks);
}

// The login name's Base64 form cut into its stored pieces of at most 254 characters.
std::vector<std::string> loginNamePieces(const std::string& name)
{
    const std::string coded = ref::base64(aesBlocks(name));
    std::vector<std::string> pieces;
    for (std::size_t i = 0; i < coded.size(); i += 254)
        pieces.push_back(coded.substr(i, 254));
    return pieces;
}

Values loginNameValues(const std::string& name)
{
    const std::vector<std::string> pieces = loginNamePieces(name);
    Values values{{keys::kLoginName11, pieces.at(0)}};
    if (pieces.size() > 1)
        values[keys::kLoginName12] = pieces.at(1);
    return values;
}

// A text of `count` bytes of varying letters.
std::string letters(std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += static_cast<char>('a' + i % 26);
    return text;
}

// `unit` repeated `count` times.
std::string repeated(const std::string& unit, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += unit;
    return text;
}

std::string lowercase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string textOf(const platform::TextField& field)
{
    return field.stringValue().value_or("<absent>");
}

// --- Fixture: a host for one layout, and panels restored from given print settings ---

class ReaderTest : public testing::TestWithParam<const char*> {
protected:
    ReaderTest() { host.layout = GetParam(); }

    bool matrixLayout() const { return std::string(GetParam()) == "JobControl2"; }

    // A new panel with its view loaded, before any restore.
    Panel& freshPanel(const Values& values = {})
    {
        host.settings = platform::PrintSettings();
        for (const auto& [key, value] : values)
            host.settings.setValue(key, value);
        panel = host.makePanel();
        panel->panelView();
        return *panel;
    }

    Panel& restoreFrom(const Values& values)
    {
        freshPanel(values);
        panel->restoreValuesAndReturnError(nullptr);
        return *panel;
    }

    // The filing choice as the layout shows it: pop-up index, or matrix row.
    int filingShown() const
    {
        return matrixLayout() ? panel->folderSelectionMatrix.selectedRow()
                              : panel->folderSelectionPopup.indexOfSelectedItem();
    }

    testing_support::ScopedUserDirs dirs;
    testing_support::ScopedEnv locale{"LC_ALL", "C.UTF-8"};  // a Western UTF-8 system
    testing_support::TestHost host;
    std::unique_ptr<Panel> panel;
};

INSTANTIATE_TEST_SUITE_P(Layouts, ReaderTest, testing::Values("JobControl", "JobControl2"));

TEST_P(ReaderTest, WithoutPrintSettingsNothingChanges)
{
    host.hasSettings = false;
    Panel& p = freshPanel();
    p.retentionCheckBox.setState(1);
    p.suspendMatrix.selectCellAtRow(2);
    p.authenticationMatrix.selectCellAtRow(1);
    p.userNameEditText.setStringValue("typed");
    p.passwordEditText.setStringValue("secret");
    p.passwordButton.setState(1);
    p.prefHoldButtonFlag = 4;
    p.restoreValuesAndReturnError(nullptr);
    EXPECT_EQ(p.retentionCheckBox.state(), 1);
    EXPECT_EQ(p.suspendMatrix.selectedRow(), 2);
    EXPECT_EQ(p.authenticationMatrix.selectedRow(), 1);
    EXPECT_EQ(textOf(p.userNameEditText), "typed");
    EXPECT_EQ(textOf(p.passwordEditText), "secret");
    EXPECT_EQ(p.passwordButton.state(), 1);
    EXPECT_EQ(p.prefHoldButtonFlag, 4u);
}

TEST_P(ReaderTest, RetentionModeFollowsJobSuspend)
{
    struct Case {
        std::optional<std::string> stored;
        int box;
        int row;
    };
    const Case cases[] = {{std::nullopt, 0, 0}, {"0", 0, 0}, {"1", 1, 1}, {"2", 1, 0},
                          {"3", 1, 2},          {"9", 0, 0}, {"", 0, 0},  {"31", 1, 2}};
    for (const Case& c : cases) {
        Panel& p = freshPanel(c.stored ? Values{{keys::kJobSuspend, *c.stored}} : Values{});
        p.suspendMatrix.selectCellAtRow(1);
        p.restoreValuesAndReturnError(nullptr);
        EXPECT_EQ(p.retentionCheckBox.state(), c.box) << c.stored.value_or("absent");
        EXPECT_EQ(p.suspendMatrix.selectedRow(), c.row) << c.stored.value_or("absent");
    }
}

TEST_P(ReaderTest, FilingChoiceAndCustomFolder)
{
    // Main folder for "2", "0", an unknown digit and no key; quick file for "1".
    const std::pair<std::optional<std::string>, int> choices[] = {
        {"2", 1}, {"0", 1}, {"7", 1}, {std::nullopt, 1}, {"1", 0}};
    for (const auto& [stored, shown] : choices) {
        Values values{{keys::kJobSuspend, "1"}};
        if (stored)
            values[keys::kFiling] = *stored;
        Panel& p = freshPanel(values);
        p.folderSelectionPopup.selectItemAtIndex(shown == 0 ? 1 : 0);
        p.folderSelectionMatrix.selectCellAtRow(shown == 0 ? 1 : 0);
        p.restoreValuesAndReturnError(nullptr);
        EXPECT_EQ(filingShown(), shown) << stored.value_or("absent");
    }

    // A folder the printer did not list: the pop-up falls back to the main folder, while the
    // matrix and the name field keep the custom folder.
    const std::string name = "Projekt Ü 3F";
    Panel& p = restoreFrom({{keys::kJobSuspend, "2"}, {keys::kFiling, "3"}, {keys::kFolderPath, ref::hex(name)}});
    EXPECT_EQ(p.folderNameStringRef, name);
    EXPECT_EQ(filingShown(), matrixLayout() ? 2 : 1);
    if (matrixLayout()) {
        EXPECT_EQ(textOf(p.folderNameEditText), name);
    }

    // A folder the printer listed is found whatever the letter case.
    Panel& known =
        freshPanel({{keys::kJobSuspend, "2"}, {keys::kFiling, "3"}, {keys::kFolderPath, ref::hex("TEAM B")}});
    known.folderList = FolderList{FolderEntry{.name = "Plans"}, FolderEntry{.name = "Team B", .password = true}};
    known.makeFolderPopup();
    known.restoreValuesAndReturnError(nullptr);
    EXPECT_EQ(filingShown(), matrixLayout() ? 2 : 4);

    // "3" without a folder path chooses nothing, so the main folder.
    Panel& q = restoreFrom({{keys::kJobSuspend, "2"}, {keys::kFiling, "3"}});
    EXPECT_FALSE(q.folderNameStringRef.has_value());
    EXPECT_EQ(filingShown(), 1);
}

TEST_P(ReaderTest, NumericSecretsWithinTheModelsLimit)
{
    struct Secret {
        const char* key;
        platform::TextField Panel::*field;
        bool limited;
    };
    const Secret secrets[] = {{keys::kJobSuspend2Key, &Panel::suspendKeyEditText, true},
                              {keys::kAccountNumber2, &Panel::accountNumberEditText, true},
                              {keys::kFolderPassword2, &Panel::folderPasswordEditText, true},
                              {keys::kUserNumber2, &Panel::userNumberEditText, false}};
    for (const Secret& secret : secrets) {
        for (const std::string digits : {"7", "0042", "12345", "123456", "1234567", "12345678"}) {
            // Retention on and user-number authentication, so no action empties the field.
            Panel& p = restoreFrom(
                {{keys::kJobSuspend, "2"}, {keys::kAuthentication, "0"}, {secret.key, oneBlockForm(digits)}});
            const std::string expected = secret.limited && digits.size() > 5 ? "" : digits;
            EXPECT_EQ(textOf(p.*secret.field), expected) << secret.key << " " << digits;
        }
        // A stored value whose text is empty, and no value, both give an empty field.
        for (const std::optional<std::string>& stored :
             {std::optional<std::string>(""), std::optional<std::string>()}) {
            Panel& p = freshPanel(stored ? Values{{secret.key, *stored}} : Values{});
            (p.*secret.field).setStringValue("old");
            p.restoreValuesAndReturnError(nullptr);
            EXPECT_EQ(textOf(p.*secret.field), "") << secret.key;
        }
    }
}

TEST_P(ReaderTest, DigitsOnlySecretsWithOtherCharactersComeBackEmpty)
{
    // What a field's filter would never have let the user type does not reach the field, from
    // the print settings or from the remembered values; the next job would carry it again.
    const std::pair<const char*, platform::TextField Panel::*> secrets[] = {
        {keys::kJobSuspend2Key, &Panel::suspendKeyEditText},
        {keys::kAccountNumber2, &Panel::accountNumberEditText},
        {keys::kFolderPassword2, &Panel::folderPasswordEditText},
        {keys::kUserNumber2, &Panel::userNumberEditText}};
    for (const auto& [key, field] : secrets) {
        for (const std::string text : {"1\x1b"
                                       "2",
                                       "12a", " 42", "4-2"}) {
            Panel& p = restoreFrom({{keys::kJobSuspend, "2"}, {keys::kAuthentication, "0"}, {key, oneBlockForm(text)}});
            EXPECT_EQ(textOf(p.*field), "") << key << " " << text;
        }
    }
    Panel& p = freshPanel({{keys::kJobSuspend, "2"}});
    p.prefHoldButtonFlag = korvane::lockbits::kSuspendKey;
    p.prefSuspendKeyStringRef = oneBlockForm(
        "1\x1b"
        "2");
    p.restoreValuesAndReturnError(nullptr);
    EXPECT_EQ(textOf(p.suspendKeyEditText), "");
}

TEST_P(ReaderTest, PasswordsOfOneAndTwoBlocksComeBackExactly)
{
    for (const std::string& password : {std::string("p"), letters(15), letters(16), letters(17), letters(32),
                                        std::string("Pässwörd€5"), std::string("パスワード")}) {
        Panel& p = restoreFrom({{keys::kPassword2, passwordForm(password)}});
        EXPECT_EQ(textOf(p.passwordEditText), password) << password.size() << " bytes";
    }
}

TEST_P(ReaderTest, SecretLocksFollowHoldButtonOnlyWithTheirValue)
{
    Panel& p = restoreFrom({{keys::kHoldButton, "4"}, {keys::kPassword2, passwordForm("pw")}});
    EXPECT_EQ(p.presetHoldButtonFlag, 4u);
    EXPECT_EQ(p.passwordButton.state(), 1);
    EXPECT_EQ(textOf(p.passwordEditText), "pw");

    Panel& q = restoreFrom({{keys::kHoldButton, "4"}});
    EXPECT_EQ(q.passwordButton.state(), 0);
    EXPECT_EQ(textOf(q.passwordEditText), "");

    // Every secret lock at once; the locks of absent values stay off.
    Panel& r = restoreFrom({{keys::kHoldButton, "229"},
                            {keys::kJobSuspend, "2"},
                            {keys::kJobSuspend2Key, oneBlockForm("1")},
                            {keys::kUserNumber2, oneBlockForm("2")},
                            {keys::kAccountNumber2, oneBlockForm("3")},
                            {keys::kFolderPassword2, oneBlockForm("4")}});
    EXPECT_EQ(r.presetHoldButtonFlag, 229u);
    EXPECT_EQ(r.suspendKeyButton.state(), 1);
    EXPECT_EQ(r.userNumberButton.state(), 1);
    EXPECT_EQ(r.accountNumberButton.state(), 1);
    EXPECT_EQ(r.folderPasswordButton.state(), 1);
    EXPECT_EQ(r.passwordButton.state(), 0);
    EXPECT_EQ(r.loginNameButton.state(), 0);
}

TEST_P(ReaderTest, LoginNamesComeBackExactly)
{
    std::vector<std::string> names;
    for (std::size_t size : {1, 15, 16, 32, 176, 177, 255})
        names.push_back(letters(size));
    names.push_back("Łukasz Żółć-Ørsted");
    names.push_back("山田太郎");
    names.push_back(repeated("日", 85));  // 255 bytes
    for (const std::string& name : names) {
        const Values values = loginNameValues(name);
        EXPECT_EQ(values.count(keys::kLoginName12), name.size() > 176 ? 1u : 0u) << name.size();
        Panel& p = restoreFrom(values);
        EXPECT_EQ(textOf(p.loginNameEditText), name) << name.size() << " bytes";
        EXPECT_EQ(p.loginNameButton.state(), 0);
    }
}

TEST_P(ReaderTest, LoginNameFromOnePiece)
{
    // A lone first piece decodes on its own: the whole blocks it holds come back.
    const std::string name = letters(255);
    Panel& p = restoreFrom({{keys::kLoginName11, loginNamePieces(name).at(0)}});
    const std::string shown = textOf(p.loginNameEditText);
    EXPECT_EQ(shown.substr(0, 176), name.substr(0, 176));
    EXPECT_LE(shown.size(), 192u);

    // A lone second piece gives nothing, even one that would decode on its own.
    Panel& q = freshPanel({{keys::kLoginName12, loginNamePieces("second.only").at(0)}});
    q.loginNameEditText.setStringValue("old");
    q.restoreValuesAndReturnError(nullptr);
    EXPECT_EQ(textOf(q.loginNameEditText), "");

    // An empty second piece is no piece.
    Panel& r = restoreFrom({{keys::kLoginName11, loginNamePieces("kurz").at(0)}, {keys::kLoginName12, ""}});
    EXPECT_EQ(textOf(r.loginNameEditText), "kurz");
}

TEST_P(ReaderTest, LoginNameLockFromHoldButton)
{
    Values values = loginNameValues("anna.berg");
    values[keys::kHoldButton] = "18";
    Panel& p = restoreFrom(values);
    EXPECT_EQ(p.loginNameButton.state(), 1);
    EXPECT_EQ(p.loginNameStringRef, "anna.berg");
    EXPECT_EQ(textOf(p.loginNameEditText), repeated("\u2022", 9));
    EXPECT_EQ(p.jobNameButton.state(), 0);  // no stored job name to lock

    // A name masked before the restore is forgotten when the stored one is not locked.
    Panel& q = freshPanel(loginNameValues("anna.berg"));
    q.loginNameEditText.setStringValue("old.name");
    q.loginNameButton.setState(1);
    q.loginNameButtonProc(q.loginNameButton);
    ASSERT_EQ(q.loginNameStringRef, "old.name");
    q.restoreValuesAndReturnError(nullptr);
    EXPECT_EQ(q.loginNameButton.state(), 0);
    EXPECT_EQ(textOf(q.loginNameEditText), "anna.berg");
    EXPECT_FALSE(q.loginNameStringRef.has_value());
    EXPECT_FALSE(q.loginNameLockFlag);
}

TEST_P(ReaderTest, AuthenticationChoice)
{
    const std::pair<std::optional<std::string>, int> cases[] = {{std::nullopt, 0}, {"1", 0}, {"0", 1}, {"", 1}};
    for (const auto& [stored, row] : cases) {
        Panel& p = freshPanel(stored ? Values{{keys::kAuthentication, *stored}} : Values{});
        p.authenticationMatrix.selectCellAtRow(1 - row);
        p.restoreValuesAndReturnError(nullptr);
        EXPECT_EQ(p.authenticationMatrix.selectedRow(), row) << stored.value_or("absent");
    }
    // A remembered choice stands only while a value it governs is remembered.
    for (std::uint32_t bits : {0u, 2u, 4u, 64u, 8u}) {
        Panel& p = freshPanel({{keys::kAuthentication, "1"}});
        p.prefHoldButtonFlag = bits;
        p.prefAuthenticationBooleanRef = false;
        p.restoreValuesAndReturnError(nullptr);
        EXPECT_EQ(p.authenticationMatrix.selectedRow(), bits == 2 || bits == 4 || bits == 64 ? 1 : 0) << bits;
    }
}

TEST_P(ReaderTest, RememberedValuesAreUsedOnceThenPrintSettings)
{
    const Values stored = [] {
        Values v = loginNameValues("stored.user");
        v.insert({{keys::kJobSuspend, "2"},
                  // The user number stays locked, so its field survives login-name authentication.
                  {keys::kHoldButton, "64"},
                  {keys::kJobSuspend2Key, oneBlockForm("111")},
                  {keys::kPassword2, passwordForm("stored-pw")},
                  {keys::kUserNumber2, oneBlockForm("222")},
                  {keys::kAccountNumber2, oneBlockForm("333")},
                  {keys::kFolderPassword2, oneBlockForm("444")},
                  {keys::kUserName, ref::hex("Stored User")},
                  {keys::kJobName, ref::hex("Stored Job")}});
        return v;
    }();
    Panel& p = freshPanel(stored);
    p.prefHoldButtonFlag = 511;
    p.prefSuspendKeyStringRef = oneBlockForm("9876");
    p.prefPasswordStringRef = passwordForm("remembered password 17+ bytes");
    p.prefUserNumberStringRef = oneBlockForm("87654321");
    p.prefAccountNumberStringRef = oneBlockForm("765");
    p.prefFolderPassStringRef = oneBlockForm("6543");
    p.prefLoginNameStringRef = loginNamePieces("remembered.user").at(0);
    p.prefUserNameStringRef = "Remembered User";
    p.prefJobNameStringRef = "Remembered Job";
    p.prefFolderNameStringRef = "Remembered Folder";

    struct Expect {
        platform::TextField Panel::*field;
        platform::Button Panel::*button;
        std::string first, second;
    };
    const Expect fields[] = {
        {&Panel::suspendKeyEditText, &Panel::suspendKeyButton, "9876", "111"},
        {&Panel::passwordEditText, &Panel::passwordButton, "remembered password 17+ bytes", "stored-pw"},
        {&Panel::userNumberEditText, &Panel::userNumberButton, "87654321", "222"},
        {&Panel::accountNumberEditText, &Panel::accountNumberButton, "765", "333"},
        {&Panel::folderPasswordEditText, &Panel::folderPasswordButton, "6543", "444"},
        {&Panel::userNameEditText, &Panel::userNameButton, "Remembered User", "Stored User"},
        {&Panel::jobNameEditText, &Panel::jobNameButton, "Remembered Job", "Stored Job"},
    };

    p.restoreValuesAndReturnError(nullptr);
    for (const Expect& e : fields) {
        EXPECT_EQ(textOf(p.*e.field), e.first);
        EXPECT_EQ((p.*e.button).state(), 1) << e.first;
    }
    // The remembered login name is held by the panel and masked in the field.
    EXPECT_EQ(p.loginNameStringRef, "remembered.user");
    EXPECT_EQ(textOf(p.loginNameEditText), repeated("\u2022", 15));
    EXPECT_EQ(p.loginNameButton.state(), 1);
    // The folder name is remembered only where the layout has its field.
    EXPECT_EQ(p.prefHoldButtonFlag, matrixLayout() ? 0u : 256u);
    if (matrixLayout()) {
        EXPECT_EQ(textOf(p.folderNameEditText), "Remembered Folder");
        EXPECT_EQ(p.folderNameButton.state(), 1);
    }

    p.restoreValuesAndReturnError(nullptr);
    EXPECT_EQ(p.presetHoldButtonFlag, 64u);
    for (const Expect& e : fields) {
        EXPECT_EQ(textOf(p.*e.field), e.second);
        EXPECT_EQ((p.*e.button).state(), e.button == &Panel::userNumberButton ? 1 : 0) << e.second;
    }
    EXPECT_EQ(textOf(p.loginNameEditText), "stored.user");
    EXPECT_FALSE(p.loginNameStringRef.has_value());
    EXPECT_FALSE(p.loginNameLockFlag);
    EXPECT_EQ(p.loginNameButton.state(), 0);
    EXPECT_EQ(p.folderNameButton.state(), 0);
}

TEST_P(ReaderTest, UserAndJobNameFallbacks)
{
    Panel& p = freshPanel();
    p.userNameEditText.setStringValue("kept");
    p.jobNameEditText.setStringValue("kept");
    p.restoreValuesAndReturnError(nullptr);
    EXPECT_EQ(textOf(p.userNameEditText), platform::fullUserName().value_or("kept"));
    EXPECT_EQ(textOf(p.jobNameEditText), "");  // the job has no name either

    // A stored name that decodes to no text counts as none; the job's own name stands in.
    Panel& q = freshPanel({{keys::kUserName, "00"}, {keys::kHoldButton, "24"}});
    host.settings.setJobName("Quarterly report.pdf");
    q.restoreValuesAndReturnError(nullptr);
    EXPECT_EQ(textOf(q.userNameEditText), platform::fullUserName().value_or(""));
    EXPECT_EQ(textOf(q.jobNameEditText), "Quarterly report.pdf");
    EXPECT_EQ(q.userNameButton.state(), 0);
    EXPECT_EQ(q.jobNameButton.state(), 0);

    Panel& r = restoreFrom({{keys::kUserName, ref::hex("Jürgen Weiß")},
                            {keys::kJobName, ref::hex("Plan \"Q3\"")},
                            {keys::kHoldButton, "8"}});
    EXPECT_EQ(textOf(r.userNameEditText), "Jürgen Weiß");
    EXPECT_EQ(textOf(r.jobNameEditText), "Plan \"Q3\"");
    EXPECT_EQ(r.userNameButton.state(), 1);
    EXPECT_EQ(r.jobNameButton.state(), 0);
}

TEST_P(ReaderTest, TextsAreReadInTheSystemEncoding)
{
    Panel& p = freshPanel({{keys::kUserName, ref::hex("J\xE9r\xF4me")},
                           {keys::kPassword2, passwordForm("\xE4\xF6\xFC")},
                           {keys::kJobSuspend, "2"},
                           {keys::kFiling, "3"},
                           {keys::kFolderPath, ref::hex("B\xFCro")}});
    p.systemEncoding = platform::kISOLatin1StringEncoding;
    p.restoreValuesAndReturnError(nullptr);
    EXPECT_EQ(textOf(p.userNameEditText), "Jérôme");
    EXPECT_EQ(textOf(p.passwordEditText), "äöü");
    EXPECT_EQ(p.folderNameStringRef, "Büro");
}

TEST_P(ReaderTest, DamagedValuesRestoreWhatTheyYield)
{
    const std::string pin = oneBlockForm("2580");
    const std::string longName = letters(300);
    Values values{{keys::kJobSuspend, "2"},
                  // Digits past the block, an odd one included, are not read.
                  {keys::kJobSuspend2Key, pin + "F"},
                  {keys::kAccountNumber2, oneBlockForm("42") + std::string(1000, 'Z')},
                  // Lowercase digits read as their uppercase forms.
                  {keys::kUserNumber2, lowercase(oneBlockForm("31"))},
                  // Bytes the system encoding cannot read end the text; so does a zero byte.
                  {keys::kUserName, ref::hex(std::string("Ab\xFF"
                                                         "cd"))},
                  {keys::kJobName, ref::hex(std::string("Ab\0cd", 5))},
                  {keys::kFiling, "3"},
                  {keys::kFolderPath, ref::hex(longName)},
                  {keys::kLoginName11, ref::base64(aesBlocks("abc\xC3(def"))},
                  // Locks the PIN and the user number.
                  {keys::kHoldButton, " +65x"}};
    Panel& p = restoreFrom(values);
    EXPECT_EQ(textOf(p.suspendKeyEditText), "2580");
    EXPECT_EQ(p.suspendKeyButton.state(), 1);
    EXPECT_EQ(p.userNumberButton.state(), 1);
    EXPECT_EQ(textOf(p.accountNumberEditText), "42");
    EXPECT_EQ(textOf(p.userNumberEditText), "31");
    EXPECT_EQ(textOf(p.userNameEditText), "Ab");
    EXPECT_EQ(textOf(p.jobNameEditText), "Ab");
    EXPECT_EQ(textOf(p.loginNameEditText), "abc");
    // Only the first 255 characters of a value are read: 127 bytes of the name.
    EXPECT_EQ(p.folderNameStringRef, longName.substr(0, 127));

    // Junk where codes belong: no crash, nothing longer than the blocks can hold.
    const Values junk[] = {
        {{keys::kLoginName11, "!!!!"}, {keys::kPassword2, "XYZ"}, {keys::kHoldButton, "-4"}},
        {{keys::kLoginName11, std::string(600, 'A')},
         {keys::kLoginName12, std::string(600, '/')},
         {keys::kPassword2, passwordForm("0123456789abcdef0123").substr(0, 63)},
         {keys::kHoldButton, "99999999999"}},
        {{keys::kLoginName11, "QUJD=junk"}, {keys::kPassword2, "1"}, {keys::kUserName, "F"}},
    };
    for (const Values& v : junk) {
        Panel& q = restoreFrom(v);
        EXPECT_LE(textOf(q.loginNameEditText).size(), 384u);
        EXPECT_LE(textOf(q.passwordEditText).size(), 32u);
    }
    EXPECT_EQ(textOf(restoreFrom(junk[0]).loginNameEditText), "");
    EXPECT_EQ(restoreFrom(junk[0]).presetHoldButtonFlag, 0u);
    EXPECT_EQ(restoreFrom(junk[1]).presetHoldButtonFlag, 0xFFFFFFFFu);
}

// --- Save, then restore in a panel opened afresh from the saved print settings ---

// A field with a padlock, as the user fills and locks it.
struct LockedField {
    const char* name;
    platform::TextField Panel::*field;
    platform::Button Panel::*lock;
    void (Panel::*lockAction)(const platform::Control&);
};

const LockedField kLockedFields[] = {
    {"pin", &Panel::suspendKeyEditText, &Panel::suspendKeyButton, &Panel::suspendKeyButtonProc},
    {"folderPassword", &Panel::folderPasswordEditText, &Panel::folderPasswordButton, &Panel::folderPasswordButtonProc},
    {"loginName", &Panel::loginNameEditText, &Panel::loginNameButton, &Panel::loginNameButtonProc},
    {"password", &Panel::passwordEditText, &Panel::passwordButton, &Panel::passwordButtonProc},
    {"userNumber", &Panel::userNumberEditText, &Panel::userNumberButton, &Panel::userNumberButtonProc},
    {"accountNumber", &Panel::accountNumberEditText, &Panel::accountNumberButton, &Panel::accountNumberButtonProc},
    {"userName", &Panel::userNameEditText, &Panel::userNameButton, &Panel::userNameButtonProc},
    {"jobName", &Panel::jobNameEditText, &Panel::jobNameButton, &Panel::jobNameButtonProc},
};

// What the user chose and typed; every padlock on or every one off.
struct Typed {
    int retentionRow = 0;  // -1: retention off
    int authenticationRow = 0;
    bool locked = false;
    std::map<std::string, std::string> texts;  // by LockedField name
};

class RoundTripTest : public ReaderTest {
protected:
    // Fills a new panel with the choices and texts, saves it, and restores a panel opened afresh.
    Panel& saveAndReopen(const Typed& typed)
    {
        fill(typed);
        panel->saveValuesAndReturnError(nullptr);
        const Values saved = host.settings.values();
        return restoreFrom(saved);
    }

    // A new panel, restored as the host does on opening, then given the user's choices and texts.
    void fill(const Typed& typed)
    {
        freshPanel();
        panel->restoreValuesAndReturnError(nullptr);
        operate("retentionCheckBox", typed.retentionRow >= 0 ? "1" : "0");
        if (typed.retentionRow >= 0)
            operate("suspendMatrix", std::to_string(typed.retentionRow));
        operate("authenticationMatrix", std::to_string(typed.authenticationRow));
        for (const LockedField& f : kLockedFields) {
            if (typed.texts.count(f.name))
                (panel.get()->*f.field).setStringValue(typed.texts.at(f.name));
        }
        // A padlock is turned on after its text is in place, as its action captures the login name.
        for (const LockedField& f : kLockedFields) {
            if (typed.locked) {
                (panel.get()->*f.lock).setState(1);
                (panel.get()->*f.lockAction)(panel.get()->*f.lock);
            }
        }
    }

    void operate(const std::string& outlet, const std::string& value)
    {
        std::string error;
        EXPECT_TRUE(platform::operateControl(panel->panelView(), outlet, value, &error)) << error;
    }

    // Checks a field's restored text and padlock; a locked login name is held by the panel and
    // masked in the field.
    void expectRestored(const LockedField& f, const std::string& text, bool locked)
    {
        const Panel& p = *panel;
        EXPECT_EQ((p.*f.lock).state(), locked ? 1 : 0) << f.name;
        if (f.field == &Panel::loginNameEditText && locked && !text.empty()) {
            EXPECT_EQ(p.loginNameStringRef, text);
            EXPECT_EQ(textOf(p.loginNameEditText), repeated("\u2022", platform::utf16Length(text)));
        } else {
            EXPECT_EQ(textOf(p.*f.field), text) << f.name << " " << text.size() << " bytes";
        }
    }
};

INSTANTIATE_TEST_SUITE_P(Layouts, RoundTripTest, testing::Values("JobControl", "JobControl2"));

TEST_P(RoundTripTest, EverySettingWithThePadlocksOffAndOn)
{
    const std::map<std::string, std::string> texts{{"pin", "12345"},
                                                   {"folderPassword", "54321"},
                                                   {"loginName", "Łukasz Żółć"},
                                                   {"password", "pässwörd"},
                                                   {"userNumber", "12345678"},
                                                   {"accountNumber", "00042"},
                                                   {"userName", "Jürgen Weiß"},
                                                   {"jobName", "Quarterly report.pdf"}};
    for (int authenticationRow : {0, 1}) {
        for (bool locked : {false, true}) {
            saveAndReopen(
                {.retentionRow = 0, .authenticationRow = authenticationRow, .locked = locked, .texts = texts});
            SCOPED_TRACE(testing::Message() << "authentication row " << authenticationRow << ", locked " << locked);
            EXPECT_EQ(panel->retentionCheckBox.state(), 1);
            EXPECT_EQ(panel->suspendMatrix.selectedRow(), 0);
            EXPECT_EQ(panel->authenticationMatrix.selectedRow(), authenticationRow);
            EXPECT_EQ(filingShown(), 1);
            for (const LockedField& f : kLockedFields) {
                // The method not chosen keeps only the values the user locked.
                const bool userNumberField = f.field == &Panel::userNumberEditText;
                const bool loginField = f.field == &Panel::loginNameEditText || f.field == &Panel::passwordEditText;
                const bool dropped =
                    !locked && ((userNumberField && authenticationRow == 0) || (loginField && authenticationRow == 1));
                expectRestored(f, dropped ? "" : texts.at(f.name), locked);
            }
        }
    }
}

TEST_P(RoundTripTest, RetentionModesAndTheirPIN)
{
    for (int row : {-1, 0, 1, 2}) {
        saveAndReopen({.retentionRow = row, .texts = {{"pin", "7"}}});
        EXPECT_EQ(panel->retentionCheckBox.state(), row >= 0 ? 1 : 0) << row;
        EXPECT_EQ(panel->suspendMatrix.selectedRow(), std::max(row, 0)) << row;
        EXPECT_EQ(textOf(panel->suspendKeyEditText), row >= 0 ? "7" : "") << row;
    }
}

TEST_P(RoundTripTest, SecretsAtTheirLimits)
{
    const LockedField& pin = kLockedFields[0];
    const LockedField& loginName = kLockedFields[2];
    const LockedField& password = kLockedFields[3];
    const LockedField& userNumber = kLockedFields[4];
    std::vector<std::string> loginNames{"Łukasz Żółć", "山田太郎", "smile \U0001F600", repeated("日", 85)};
    for (std::size_t size : {15, 16, 32, 176, 177, 255})
        loginNames.push_back(letters(size));
    for (bool locked : {false, true}) {
        for (const std::string& name : loginNames) {
            saveAndReopen({.locked = locked, .texts = {{"loginName", name}}});
            expectRestored(loginName, name, locked);
        }
        for (const std::string& secret : {std::string("p"), letters(16), letters(32), repeated("ä", 16)}) {
            saveAndReopen({.locked = locked, .texts = {{"password", secret}}});
            expectRestored(password, secret, locked);
        }
        for (const char* digits : {"1", "12345"}) {
            saveAndReopen({.locked = locked, .texts = {{"pin", digits}}});
            expectRestored(pin, digits, locked);
        }
        for (const char* digits : {"1", "12345678"}) {
            saveAndReopen({.authenticationRow = 1, .locked = locked, .texts = {{"userNumber", digits}}});
            expectRestored(userNumber, digits, locked);
        }
    }
}

TEST_P(RoundTripTest, LockedValuesComeBackOnceFromThePreferencesInTheNextJob)
{
    const std::map<std::string, std::string> texts{
        {"pin", "2468"},        {"folderPassword", "97531"}, {"loginName", "Łukasz Żółć"}, {"password", "pässwörd"},
        {"userNumber", "8642"}, {"accountNumber", "135"},    {"userName", "Jürgen Weiß"},  {"jobName", "Plan Q3"}};
    fill({.retentionRow = 0, .locked = true, .texts = texts});
    if (matrixLayout()) {
        operate("folderSelectionMatrix", "2");
        operate("folderNameEditText", "Plans");
        operate("folderNameButton", "1");
    }
    panel->saveValuesAndReturnError(nullptr);
    panel->shouldPrint();

    // The next job starts with print settings of its own, none of the panel's keys among them.
    restoreFrom({});
    for (const LockedField& f : kLockedFields)
        expectRestored(f, texts.at(f.name), true);
    if (matrixLayout()) {
        EXPECT_EQ(textOf(panel->folderNameEditText), "Plans");
        EXPECT_EQ(panel->folderNameButton.state(), 1);
    }

    // Restored again, the panel follows that job's print settings.
    panel->restoreValuesAndReturnError(nullptr);
    EXPECT_EQ(panel->prefHoldButtonFlag, 0u);
    for (const char* name :
         {"pin", "folderPassword", "loginName", "password", "userNumber", "accountNumber", "jobName"}) {
        const LockedField& f = *std::find_if(std::begin(kLockedFields), std::end(kLockedFields),
                                             [&](const LockedField& e) { return std::string(e.name) == name; });
        expectRestored(f, "", false);
    }
}

// --- The batch host: a panel restored from what an earlier run saved looks as the user left it ---

// A dumped value as compact JSON text, so that a difference reads plainly.
std::string jsonText(const QJsonValue& value)
{
    return QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).toStdString();
}

// Runs the batch host on the sample printer with a home of its own and answers its dump.
QJsonObject runBatch(const QString& home, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home);
    environment.insert("XDG_CONFIG_HOME", home + "/config");
    environment.insert("XDG_RUNTIME_DIR", home);
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KORVANE_TEST_BIN_DIR "/korvane-print"),
                  QStringList{"--batch", "--printer", "sample", "--dump"} + arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
}

TEST_P(ReaderTest, BatchHostRestoresWhatAnEarlierRunSaved)
{
    const QStringList userChoices[] = {
        {"retentionCheckBox=1", "suspendMatrix=2", "suspendKeyEditText=2468", "suspendKeyButton=1",
         "loginNameEditText=Łukasz", "loginNameButton=1", "passwordEditText=pässwort", "accountNumberEditText=42",
         "userNameEditText=Jürgen", "userNameButton=1"},
        {"authenticationMatrix=1", "userNumberEditText=12345", "userNumberButton=1", "jobNameEditText=Plan",
         "jobNameButton=1"},
    };
    for (const QStringList& choices : userChoices) {
        QTemporaryDir home;
        QStringList first{"--layout", GetParam(), "-t", "Report.pdf", "--calls", "panelView,willShow,restore,ops,save"};
        for (const QString& choice : choices)
            first << "--set" << choice;
        const QJsonObject saved = runBatch(home.path(), first);

        QFile settingsFile(home.filePath("settings.json"));
        ASSERT_TRUE(settingsFile.open(QIODevice::WriteOnly));
        settingsFile.write(QJsonDocument(saved.value("printSettings").toObject()).toJson());
        settingsFile.close();
        const QJsonObject restored = runBatch(
            home.path(),
            {"--layout", GetParam(), "--settings", settingsFile.fileName(), "--calls", "panelView,willShow,restore"});

        const QJsonObject before = saved.value("controls").toObject();
        const QJsonObject after = restored.value("controls").toObject();
        ASSERT_FALSE(before.isEmpty());
        for (const QString& outlet : before.keys())
            EXPECT_EQ(jsonText(after.value(outlet)), jsonText(before.value(outlet))) << outlet.toStdString();
        EXPECT_EQ(after.keys(), before.keys());
        for (const char* field : {"loginNameStringRef", "loginNameLockFlag"})
            EXPECT_EQ(jsonText(restored.value("panel").toObject().value(field)),
                      jsonText(saved.value("panel").toObject().value(field)))
                << field;
        EXPECT_EQ(jsonText(restored.value("focus")), jsonText(saved.value("focus")));
    }
}

}  // namespace
