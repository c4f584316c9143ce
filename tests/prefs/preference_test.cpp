// The preference store seen through the panel: what each operation writes into the queue's
// "Job Control" dictionary, in which forms, and what comes back.
#include "platform/user_defaults.h"
#include "plugin/product_name.h"
#include "support/property_value_printer.h"
#include "support/settings_reference.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>

namespace {

namespace ref = testing_support::reference;
using platform::PropertyArray;
using platform::PropertyDictionary;
using platform::PropertyValue;
using testing_support::ScopedEnv;
using testing_support::ScopedUserDirs;
using testing_support::TestHost;

constexpr const char* kQueue = "Office_3F";
constexpr const char* kDomain = "korvane.mfp.Office_3F";

// The hex form of a text's fixed-key encryption, padded with zero blocks to `bytes` bytes.
std::string hexForm(const std::string& text, std::size_t bytes = 16)
{
    std::string blocks = ref::aesEncrypt(ref::untilZero(text), ref::fixedKey());
    blocks.resize(bytes, '\0');
    return ref::hex(blocks);
}

// The text a hex form decrypts to.
std::string decryptHex(const std::string& hex)
{
    return ref::untilZero(ref::aesDecrypt(ref::unhex(hex), ref::fixedKey()));
}

std::optional<PropertyDictionary> storedDomain()
{
    auto defaults = platform::standardUserDefaults(korvane::kProductName);
    return defaults ? defaults->persistentDomainForName(kDomain) : std::nullopt;
}

void storeDomain(const PropertyDictionary& domain)
{
    auto defaults = platform::standardUserDefaults(korvane::kProductName);
    ASSERT_TRUE(defaults);
    defaults->setPersistentDomain(domain, kDomain);
    ASSERT_TRUE(defaults->synchronize());
}

// The stored "Job Control" dictionary; empty when there is none.
PropertyDictionary storedJobControl()
{
    auto domain = storedDomain();
    if (!domain || !domain->count("Job Control") || !domain->at("Job Control").dictionary())
        return {};
    return *domain->at("Job Control").dictionary();
}

std::optional<std::string> storedString(const char* key)
{
    const PropertyDictionary jobControl = storedJobControl();
    auto entry = jobControl.find(key);
    if (entry == jobControl.end() || !entry->second.string())
        return std::nullopt;
    return *entry->second.string();
}

std::optional<std::int64_t> storedInteger(const char* key)
{
    const PropertyDictionary jobControl = storedJobControl();
    auto entry = jobControl.find(key);
    if (entry == jobControl.end() || !entry->second.integer())
        return std::nullopt;
    return *entry->second.integer();
}

PropertyValue text(const std::string& value)
{
    return PropertyValue{value};
}

class PreferenceTest : public ::testing::Test {
protected:
    // The matrix layout: the only one with the folder-name field and its padlock.
    PreferenceTest() { host.layout = "JobControl2"; }

    // A panel for the queue with its layout loaded, as a print dialog would have it.
    std::unique_ptr<KorvanePrintPdeRk880JC> openPanel(bool loadView = true)
    {
        auto panel = host.makePanel();
        if (loadView)
            panel->panelView();
        return panel;
    }

    // The sample printer's model, as the panel read it from the PPD.
    std::string model()
    {
        auto panel = host.makePanel();
        EXPECT_TRUE(panel->modelStringRef);
        return panel->modelStringRef.value_or("");
    }

    // A "Job Control" that CheckPreference keeps, with the given further entries.
    PropertyDictionary currentJobControl(PropertyDictionary entries)
    {
        entries["Model Name"] = text(model());
        entries["Release Number"] = text("2.00");
        return entries;
    }

    ScopedUserDirs dirs;
    TestHost host{kQueue};
};

TEST_F(PreferenceTest, FirstUseCreatesTheDictionaryAndLoadsNothing)
{
    auto panel = openPanel(false);
    ASSERT_TRUE(panel->modelStringRef);
    EXPECT_EQ(storedJobControl(),
              (PropertyDictionary{{"Model Name", text(*panel->modelStringRef)}, {"Release Number", text("2.00")}}));
    EXPECT_EQ(panel->prefHoldButtonFlag, 0u);
    EXPECT_FALSE(panel->prefAuthenticationBooleanRef);
    EXPECT_FALSE(panel->prefSuspendKeyStringRef);
    ASSERT_TRUE(panel->folderList);
    EXPECT_TRUE(panel->folderList->empty());
    EXPECT_FALSE(panel->addressStringRef);
}

TEST_F(PreferenceTest, AnotherModelOrReleaseResetsTheDictionaryButNotTheDomain)
{
    struct Case {
        std::string model;
        PropertyValue release;
        bool kept;
    };
    const std::string sample = model();
    std::string otherCase = sample;
    otherCase[0] =
        static_cast<char>(std::islower(otherCase[0]) ? std::toupper(otherCase[0]) : std::tolower(otherCase[0]));
    const std::vector<Case> cases = {{sample, text("2.00"), true},        {sample, text("2.0"), false},
                                     {sample, text("2.01"), false},       {sample, text("2.00 "), false},
                                     {sample, PropertyValue{2.0}, false}, {"RK-990", text("2.00"), false},
                                     {otherCase, text("2.00"), false}};
    for (const Case& c : cases) {
        const PropertyDictionary jobControl{{"Model Name", text(c.model)},
                                            {"Release Number", c.release},
                                            {"hold button", PropertyValue{std::int64_t{0x10}}},
                                            {"job name", text("Quarterly")},
                                            {"address", text("10.0.0.5")}};
        storeDomain({{"Job Control", PropertyValue{jobControl}}, {"Other Tool", text("untouched")}});

        auto panel = openPanel(false);
        const PropertyDictionary expected =
            c.kept ? jobControl : PropertyDictionary{{"Model Name", text(sample)}, {"Release Number", text("2.00")}};
        EXPECT_EQ(storedJobControl(), expected) << c.model;
        EXPECT_EQ(panel->prefJobNameStringRef, c.kept ? std::optional<std::string>("Quarterly") : std::nullopt)
            << c.model;
        EXPECT_EQ(panel->addressStringRef, c.kept ? std::optional<std::string>("10.0.0.5") : std::nullopt);
        EXPECT_EQ(storedDomain()->at("Other Tool"), text("untouched")) << c.model;
    }
}

TEST_F(PreferenceTest, SecretsAreStoredInTheFormsTheReaderDecodes)
{
    auto panel = openPanel();
    panel->suspendKeyEditText.setStringValue("12345");
    panel->passwordEditText.setStringValue("abcdefghijklmnopqrst");
    panel->userNumberEditText.setStringValue("42");
    panel->accountNumberEditText.setStringValue("7");
    panel->folderPasswordEditText.setStringValue("9876");
    panel->loginNameEditText.setStringValue("alice");
    panel->userNameEditText.setStringValue("Zoë");
    panel->jobNameEditText.setStringValue("週報");
    panel->folderNameEditText.setStringValue("Team A");
    ASSERT_TRUE(panel->SaveUserPreference());

    const std::regex hex32("[0-9A-F]{32}"), hex64("[0-9A-F]{64}");
    const auto passCode = storedString("pass code").value_or("");
    EXPECT_TRUE(std::regex_match(passCode, hex32)) << passCode;
    EXPECT_EQ(passCode, hexForm("12345"));
    EXPECT_EQ(decryptHex(passCode), "12345");

    const auto password = storedString("user password").value_or("");
    EXPECT_TRUE(std::regex_match(password, hex64)) << password;
    EXPECT_EQ(password, hexForm("abcdefghijklmnopqrst", 32));
    EXPECT_EQ(decryptHex(password), "abcdefghijklmnopqrst");

    EXPECT_EQ(storedString("user number"), hexForm("42"));
    EXPECT_EQ(storedString("account number"), hexForm("7"));
    EXPECT_EQ(storedString("folder pass code"), hexForm("9876"));
    EXPECT_EQ(storedString("user login name"), ref::base64(ref::aesEncrypt("alice", ref::fixedKey())));
    EXPECT_EQ(storedString("user name"), "Zoë");
    EXPECT_EQ(storedString("job name"), "週報");
    EXPECT_EQ(storedString("folder name"), "Team A");
    EXPECT_EQ(storedInteger("hold button"), 0);
}

TEST_F(PreferenceTest, SecretsAreCutToTheirLimitsAndEmptyFieldsStoreEmptyTexts)
{
    auto panel = openPanel();
    panel->suspendKeyEditText.setStringValue("12345678901234567890");
    panel->passwordEditText.setStringValue("short");
    panel->userNumberEditText.setStringValue("");
    panel->folderPasswordEditText.setStringValue("12é4");
    panel->loginNameEditText.setStringValue(std::string(300, 'n'));
    ASSERT_TRUE(panel->SaveUserPreference());

    EXPECT_EQ(storedString("pass code"), hexForm("1234567890123456"));
    const auto password = storedString("user password").value_or("");
    EXPECT_EQ(password, hexForm("short", 32));
    EXPECT_EQ(password.substr(32), std::string(32, '0'));
    EXPECT_EQ(storedString("user number"), "");
    // Only ASCII digits reach the printer as a folder password; anything else stores nothing.
    EXPECT_EQ(storedString("folder pass code"), "");
    const auto loginName = storedString("user login name").value_or("");
    EXPECT_EQ(ref::unbase64(loginName).size(), 256u);
    EXPECT_EQ(ref::untilZero(ref::aesDecrypt(ref::unbase64(loginName), ref::fixedKey())), std::string(255, 'n'));
}

TEST_F(PreferenceTest, TextsAreConvertedInTheSystemEncodingUpToTheFirstForeignCharacter)
{
    ScopedEnv latin1("LC_ALL", "de_DE.ISO-8859-1");
    auto panel = openPanel();
    panel->passwordEditText.setStringValue("grün€xyz");
    panel->suspendKeyEditText.setStringValue("€1");
    ASSERT_TRUE(panel->SaveUserPreference());
    EXPECT_EQ(storedString("user password"), hexForm("gr\xFCn", 32));
    EXPECT_EQ(storedString("pass code"), "");
}

TEST_F(PreferenceTest, LockBitsDecideWhichStoredValuesComeBack)
{
    auto panel = openPanel();
    panel->loginNameStringRef = "alice";
    panel->loginNameEditText.setStringValue("\u2022\u2022\u2022\u2022\u2022");
    panel->loginNameButton.setState(1);
    panel->jobNameEditText.setStringValue("Quarterly");
    panel->jobNameButton.setState(1);
    panel->suspendKeyEditText.setStringValue("12345");
    panel->userNameEditText.setStringValue("Zoë");
    panel->authenticationRadioButton.setState(1);
    ASSERT_TRUE(panel->SaveUserPreference());
    EXPECT_EQ(storedInteger("hold button"), 18);
    // Unlocked values are stored all the same.
    EXPECT_EQ(storedString("pass code"), hexForm("12345"));
    EXPECT_EQ(storedString("user name"), "Zoë");

    auto next = openPanel(false);
    EXPECT_EQ(next->prefHoldButtonFlag, 18u);
    EXPECT_EQ(next->prefLoginNameStringRef, ref::base64(ref::aesEncrypt("alice", ref::fixedKey())));
    EXPECT_EQ(next->prefJobNameStringRef, "Quarterly");
    EXPECT_EQ(next->prefAuthenticationBooleanRef, true);
    EXPECT_FALSE(next->prefSuspendKeyStringRef);
    EXPECT_FALSE(next->prefUserNameStringRef);

    // All nine padlocks.
    for (platform::Button* button :
         {&panel->suspendKeyButton, &panel->passwordButton, &panel->userNameButton, &panel->folderPasswordButton,
          &panel->userNumberButton, &panel->accountNumberButton, &panel->folderNameButton})
        button->setState(1);
    panel->authenticationMatrix.selectCellAtRow(1);  // the user-number choice
    panel->folderNameEditText.setStringValue("Team A");
    ASSERT_TRUE(panel->SaveUserPreference());
    panel->GetUserPreference();
    EXPECT_EQ(panel->prefHoldButtonFlag, 511u);
    EXPECT_EQ(panel->prefSuspendKeyStringRef, hexForm("12345"));
    EXPECT_EQ(panel->prefUserNameStringRef, "Zoë");
    EXPECT_EQ(panel->prefFolderNameStringRef, "Team A");
    EXPECT_EQ(panel->prefPasswordStringRef, "");
    EXPECT_EQ(panel->prefAuthenticationBooleanRef, false);

    // Unlocking forgets on the next load, the folder name included.
    panel->folderNameButton.setState(0);
    ASSERT_TRUE(panel->SaveUserPreference());
    panel->GetUserPreference();
    EXPECT_EQ(panel->prefHoldButtonFlag, 511u - 0x100u);
    EXPECT_FALSE(panel->prefFolderNameStringRef);
}

TEST_F(PreferenceTest, LockedLoginNameWithoutAHeldNameKeepsTheStoredOne)
{
    storeDomain({{"Job Control", PropertyValue{currentJobControl({{"user login name", text("U1RPUkVE")}})}}});
    auto panel = openPanel();
    panel->loginNameEditText.setStringValue("\u2022\u2022\u2022");
    panel->loginNameButton.setState(1);
    ASSERT_TRUE(panel->SaveUserPreference());
    EXPECT_EQ(storedString("user login name"), "U1RPUkVE");
    EXPECT_EQ(storedInteger("hold button"), 2);
}

TEST_F(PreferenceTest, ControlsMissingFromTheLayoutKeepTheirStoredValues)
{
    const PropertyDictionary stored{{"pass code", text("A")},
                                    {"user login name", text("B")},
                                    {"user password", text("C")},
                                    {"user number", text("D")},
                                    {"account number", text("E")},
                                    {"user name", text("F")},
                                    {"job name", text("G")},
                                    {"folder pass code", text("H")},
                                    {"folder name", text("I")},
                                    {"address", text("J")},
                                    {"authentication", PropertyValue{true}},
                                    {"hold button", PropertyValue{std::int64_t{511}}},
                                    {"someone else's", text("K")}};
    storeDomain({{"Job Control", PropertyValue{currentJobControl(stored)}}});
    auto panel = openPanel(false);
    ASSERT_TRUE(panel->SaveUserPreference());
    ASSERT_TRUE(panel->SaveFolderPreference());

    PropertyDictionary expected = currentJobControl(stored);
    expected["authentication"] = PropertyValue{false};
    expected["hold button"] = PropertyValue{std::int64_t{0}};
    // Construction found no stored list and holds an empty one, which is what gets stored.
    expected["files"] = PropertyValue{PropertyArray{}};
    EXPECT_EQ(storedJobControl(), expected);
}

TEST_F(PreferenceTest, LockBitsThatAreNotA32BitIntegerLoadNothing)
{
    const std::vector<PropertyValue> odd = {text("18"), PropertyValue{std::int64_t{1} << 40}, PropertyValue{true},
                                            PropertyValue{18.0}};
    for (const PropertyValue& bits : odd) {
        storeDomain({{"Job Control", PropertyValue{currentJobControl({{"hold button", bits},
                                                                      {"job name", text("Quarterly")},
                                                                      {"authentication", PropertyValue{true}}})}}});
        auto panel = openPanel(false);
        EXPECT_EQ(panel->prefHoldButtonFlag, 0u);
        EXPECT_FALSE(panel->prefJobNameStringRef);
        EXPECT_FALSE(panel->prefAuthenticationBooleanRef);
    }
    // Missing keys leave their fields empty while the rest loads.
    storeDomain({{"Job Control", PropertyValue{currentJobControl({{"hold button", PropertyValue{std::int64_t{0x11}}},
                                                                  {"pass code", PropertyValue{std::int64_t{5}}}})}}});
    auto panel = openPanel(false);
    EXPECT_EQ(panel->prefHoldButtonFlag, 0x11u);
    EXPECT_FALSE(panel->prefJobNameStringRef);
    EXPECT_FALSE(panel->prefSuspendKeyStringRef);
    EXPECT_FALSE(panel->prefAuthenticationBooleanRef);
}

TEST_F(PreferenceTest, FolderListAndAddressRoundTrip)
{
    auto panel = openPanel();
    panel->printersAddressEditText.setStringValue("10.0.0.5");
    panel->folderList =
        FolderList{{"Team A", true, true, false}, {std::nullopt, false, false, false}, {"Étude", false, true, true}};
    ASSERT_TRUE(panel->SaveFolderPreference());

    const PropertyDictionary jobControl = storedJobControl();
    EXPECT_EQ(jobControl.at("address"), text("10.0.0.5"));
    const PropertyArray* files = jobControl.at("files").array();
    ASSERT_TRUE(files);
    ASSERT_EQ(files->size(), 3u);
    EXPECT_EQ((*files)[1],
              (PropertyValue{PropertyDictionary{
                  {"password", PropertyValue{false}}, {"dir", PropertyValue{false}}, {"add", PropertyValue{false}}}}));

    auto next = openPanel(false);
    EXPECT_EQ(next->folderList, panel->folderList);
    EXPECT_EQ(next->addressStringRef, "10.0.0.5");

    // A new address without a list keeps the stored list.
    next->panelView();
    next->printersAddressEditText.setStringValue("mfp3f");
    next->folderList.reset();
    ASSERT_TRUE(next->SaveFolderPreference());
    EXPECT_EQ(storedJobControl().at("address"), text("mfp3f"));
    EXPECT_EQ(storedJobControl().at("files").array()->size(), 3u);
}

TEST_F(PreferenceTest, StoredFolderListIsReadForgivingly)
{
    const PropertyArray files = {
        PropertyValue{PropertyDictionary{{"name", text("Team A")}, {"password", PropertyValue{true}}}},
        text("not a folder"),
        PropertyValue{PropertyDictionary{{"name", PropertyValue{std::int64_t{3}}}, {"dir", text("true")}}}};
    storeDomain({{"Job Control", PropertyValue{currentJobControl({{"files", PropertyValue{files}}})}}});
    auto panel = openPanel(false);
    EXPECT_EQ(panel->folderList, (FolderList{{"Team A", true, false, false}, {std::nullopt, false, false, false}}));

    // Printers of the vendor's print system keep their folders to themselves.
    panel->korvane_print_system = true;
    panel->GetFolderPreference();
    EXPECT_FALSE(panel->folderList);
}

TEST_F(PreferenceTest, ShouldPrintStoresTheChoicesAndReloadsThem)
{
    auto panel = openPanel();
    panel->restoreValuesAndReturnError(nullptr);
    panel->saveValuesAndReturnError(nullptr);
    panel->jobNameEditText.setStringValue("Quarterly");
    panel->jobNameButton.setState(1);
    EXPECT_TRUE(panel->shouldPrint());
    EXPECT_EQ(storedString("job name"), "Quarterly");
    EXPECT_EQ(panel->prefJobNameStringRef, "Quarterly");
    EXPECT_EQ(panel->prefHoldButtonFlag, 0x10u);

    // Without print settings the job's choices are not remembered.
    host.hasSettings = false;
    panel->jobNameEditText.setStringValue("Other");
    EXPECT_TRUE(panel->shouldPrint());
    EXPECT_EQ(storedString("job name"), "Quarterly");
}

TEST_F(PreferenceTest, WithoutADomainOrADefaultsFolderNothingIsStored)
{
    TestHost unnamed("");
    auto panel = unnamed.makePanel();
    panel->panelView();
    EXPECT_FALSE(panel->preferenceName);
    EXPECT_FALSE(panel->SaveUserPreference());
    EXPECT_FALSE(panel->SaveFolderPreference());
    EXPECT_FALSE(std::filesystem::exists(dirs.path() + "/config/korvane"));

    ScopedEnv noConfig("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv noHome("HOME", std::nullopt);
    auto homeless = openPanel();
    EXPECT_TRUE(homeless->preferenceName);
    EXPECT_FALSE(homeless->SaveUserPreference());
    EXPECT_FALSE(homeless->SaveFolderPreference());
    EXPECT_TRUE(homeless->folderList == std::nullopt);
}

TEST_F(PreferenceTest, SaveThatCannotReachTheDiskAnswersFalse)
{
    auto panel = openPanel();
    std::filesystem::remove_all(dirs.path() + "/config/korvane");
    std::ofstream(dirs.path() + "/config/korvane") << "in the way";
    EXPECT_FALSE(panel->SaveUserPreference());
    EXPECT_FALSE(panel->SaveFolderPreference());
}

}  // namespace
