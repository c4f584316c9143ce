// The panel's frame: construction from its surroundings, the host protocol and its call order.
#include "ppd_fixture.h"
#include "support/test_host.h"

#include "platform/pde.h"

#include <cups/ppd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPluginLoader>
#include <QWidget>

#include <gtest/gtest.h>

#include <fstream>

using testing_support::PPDFixture;
using testing_support::ScopedEnv;
using testing_support::ScopedUserDirs;
using testing_support::TestHost;

namespace {

// The factory of the built bundle, loaded as a host loads it.
platform::PDEPlugIn* loadFactory(QPluginLoader& loader)
{
    loader.setFileName(QDir(QString::fromStdString(TestHost::bundleDir())).filePath("KorvaneJobControl.so"));
    return qobject_cast<platform::PDEPlugIn*>(loader.instance());
}

std::string writeVersionPlist(const QTemporaryDir& dir, const std::string& version)
{
    const std::string path =
        dir.path().toStdString() + "/SystemVersion-" + std::to_string(std::hash<std::string>{}(version)) + ".plist";
    std::ofstream out(path);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
        << "<key>ProductName</key><string>Test OS</string>"
        << "<key>ProductVersion</key><string>" << version << "</string></dict></plist>\n";
    return path;
}

}  // namespace

TEST(PlugInFactory, GivesOnePanelOnlyForThePrinterPanelType)
{
    ScopedUserDirs dirs;
    QPluginLoader loader;
    platform::PDEPlugIn* factory = loadFactory(loader);
    ASSERT_NE(factory, nullptr) << loader.errorString().toStdString();
    EXPECT_TRUE(factory->initWithBundle(TestHost::bundleDir()));

    TestHost host;
    auto panels = factory->PDEPanelsForType("BDB091F4-E57F-11D3-B5CC-0050E4603277", &host);
    ASSERT_TRUE(panels.has_value());
    ASSERT_EQ(panels->size(), 1u);
    EXPECT_EQ(panels->front()->panelKind(), "korvane.print.pde.rk880.JobControlKind");

    for (const char* other : {"bdb091f4-e57f-11d3-b5cc-0050e4603277", "", "SomeOtherPanelType"}) {
        auto none = factory->PDEPanelsForType(other, &host);
        ASSERT_TRUE(none.has_value()) << other;
        EXPECT_TRUE(none->empty()) << other;
    }
}

TEST(PanelConstruction, PrinterAddressComesOnlyFromIppLpdAndSocketURIs)
{
    EXPECT_EQ(hostOfDeviceURI("socket://192.168.1.20:9100"), "192.168.1.20");
    EXPECT_EQ(hostOfDeviceURI("lpd://mfp3f/queue"), "mfp3f");
    EXPECT_EQ(hostOfDeviceURI("ipp://10.0.0.5/ipp/print"), "10.0.0.5");
    EXPECT_EQ(hostOfDeviceURI("ipp://user@10.0.0.5:631/printers/x"), "10.0.0.5");
    for (const char* uri : {"usb://Korvane/RK-880", "dnssd://Korvane._ipp._tcp.local/", "ipps://10.0.0.5/ipp",
                            "IPP://10.0.0.5/ipp", "file:///dev/null", "socket", ""})
        EXPECT_EQ(hostOfDeviceURI(std::string(uri)), std::nullopt) << uri;
    EXPECT_EQ(hostOfDeviceURI(std::nullopt), std::nullopt);
}

TEST(PanelConstruction, ReadsTheQueueAndThePPD)
{
    ScopedUserDirs dirs;
    TestHost host("Office_3F", "socket://192.168.1.20:9100");
    auto panel = host.makePanel();
    EXPECT_EQ(panel->preferenceName, "korvane.mfp.Office_3F");
    EXPECT_EQ(panel->mfpURL, "192.168.1.20");
    EXPECT_EQ(panel->modelStringRef, "Korvane RK-880 MFP");
    EXPECT_EQ(panel->ppdEncoding, platform::kISOLatin1StringEncoding);
    EXPECT_TRUE(panel->useConstraintHandling);
    EXPECT_TRUE(panel->requestData.has_value());
    EXPECT_FALSE(panel->spaceImage.isNull());
    EXPECT_FALSE(panel->korvane_print_system);  // the sample PPD says False
    EXPECT_FALSE(panel->hasInited);
    EXPECT_EQ(panel->view, nullptr);  // the layout waits for the first panelView
}

TEST(PanelConstruction, WithoutAPrinterOrItsNameThereIsNoAddressAndNoDomain)
{
    ScopedUserDirs dirs;
    TestHost noPrinter;
    noPrinter.session.setCurrentPrinter(std::nullopt);
    auto panel = noPrinter.makePanel();
    EXPECT_EQ(panel->mfpURL, std::nullopt);
    EXPECT_EQ(panel->preferenceName, std::nullopt);
    EXPECT_EQ(panel->modelStringRef, "Korvane RK-880 MFP");

    TestHost unnamed("", "socket://10.1.1.1");
    auto panel2 = unnamed.makePanel();
    EXPECT_EQ(panel2->preferenceName, std::nullopt);
    EXPECT_EQ(panel2->mfpURL, "10.1.1.1");
}

TEST(PanelConstruction, WithoutPPDThePanelStillWorks)
{
    ScopedUserDirs dirs;
    TestHost host("Office_3F", "socket://192.168.1.20:9100", std::nullopt);
    auto panel = host.makePanel();
    EXPECT_EQ(panel->ppd, nullptr);
    EXPECT_EQ(panel->mfpURL, std::nullopt);
    EXPECT_EQ(panel->preferenceName, std::nullopt);
    EXPECT_EQ(panel->modelStringRef, std::nullopt);
    EXPECT_FALSE(panel->requestData.has_value());
    EXPECT_EQ(panel->ppdEncoding, platform::kMacOSRomanStringEncoding);
    EXPECT_NE(panel->panelView(), nullptr);
    EXPECT_TRUE(panel->shouldPrint());

    // A host without constraint handling is never asked for its PPD.
    TestHost noConstraints;
    noConstraints.constraintHandling = false;
    auto panel3 = noConstraints.makePanel();
    EXPECT_FALSE(panel3->useConstraintHandling);
    EXPECT_EQ(panel3->ppd, nullptr);
    EXPECT_EQ(panel3->preferenceName, std::nullopt);
}

TEST(PanelConstruction, VendorFlagIsSetByAnyValueButFalse)
{
    ScopedUserDirs dirs;
    PPDFixture ppds;
    struct Case {
        const char* line;
        bool expected;
    } cases[] = {
        {"*ARKorvanePrintSystem: True", true},
        {"*ARKorvanePrintSystem: False", false},
        {"*ARKorvanePrintSystem: FALSE", false},
        {"*ARKorvanePrintSystem: false", true},
        {"*ARKorvanePrintSystem: 0", true},
        {"*ARKorvanePrintSystem: \"\"", true},
        {"", false},  // no attribute at all
    };
    for (const Case& c : cases) {
        TestHost host("q", "socket://1.2.3.4", ppds.write({{"*ARKorvanePrintSystem", c.line}}));
        ASSERT_NE(host.ppdFile(), nullptr) << c.line;
        EXPECT_EQ(host.makePanel()->korvane_print_system, c.expected) << c.line;
    }
}

TEST(PPDAccess, EncodingComesFromTheLanguageEncodingAttribute)
{
    ScopedUserDirs dirs;
    PPDFixture ppds;
    struct Case {
        const char* name;
        platform::StringEncoding expected;
    } cases[] = {
        {"ISOLatin1", platform::kISOLatin1StringEncoding},
        {"WindowsANSI", platform::kWindowsLatin1StringEncoding},
        {"JIS83-RKSJ", platform::kShiftJISStringEncoding},
        {"UTF-8", platform::kUTF8StringEncoding},
        {"UTF8", platform::kUTF8StringEncoding},
        {"utf-8", platform::kMacOSRomanStringEncoding},
        {"MacStandard", platform::kMacOSRomanStringEncoding},
    };
    for (const Case& c : cases) {
        platform::PPDFile ppd =
            *platform::PPDFile::open(ppds.write({{"*LanguageEncoding", std::string("*LanguageEncoding: ") + c.name}}));
        EXPECT_EQ(getEncodingFromPPD(ppd.get()), c.expected) << c.name;
    }
    EXPECT_EQ(getEncodingFromPPD(nullptr), platform::kMacOSRomanStringEncoding);
}

TEST(PPDAccess, ALatin1ModelNameDecodesRight)
{
    ScopedUserDirs dirs;
    PPDFixture ppds;
    TestHost host("q", "socket://1.2.3.4", ppds.write({{"*ModelName", "*ModelName: \"Korvane RK-880 S\xe9rie\""}}));
    EXPECT_EQ(host.makePanel()->modelStringRef, "Korvane RK-880 S\xc3\xa9rie");

    TestHost noModel("q", "socket://1.2.3.4", ppds.write({{"*ModelName", ""}}));
    ASSERT_NE(noModel.ppdFile(), nullptr);
    auto panel = noModel.makePanel();
    // Whatever libcups makes of a PPD without a model name, the panel decodes no more than that.
    const char* model = noModel.ppdFile()->modelname;
    EXPECT_EQ(panel->modelStringRef, model ? std::optional<std::string>(model) : std::nullopt);
}

TEST(SystemVersion, ComponentsTheStringLacksStayUntouched)
{
    QTemporaryDir dir;
    struct Case {
        const char* version;
        int major, minor, bugfix;
        bool leopard;
    } cases[] = {
        {"10.4.11", 10, 4, 11, false}, {"10.5", 10, 5, 99, true},    {"11.2.3", 11, 2, 3, true},
        {"10", 10, 98, 99, false},     {"12.0.1.7", 12, 0, 1, true}, {"x.5b.3", 0, 5, 3, false},
    };
    for (const Case& c : cases) {
        ScopedEnv plist("KORVANE_SYSTEM_VERSION_PLIST", writeVersionPlist(dir, c.version));
        std::int32_t major = 97, minor = 98, bugfix = 99;
        get_system_version(&major, &minor, &bugfix);
        EXPECT_EQ(major, c.major) << c.version;
        EXPECT_EQ(minor, c.minor) << c.version;
        EXPECT_EQ(bugfix, c.bugfix) << c.version;
        EXPECT_EQ(runningOnLeopardOrLater(), c.leopard) << c.version;
    }
    ScopedEnv missing("KORVANE_SYSTEM_VERSION_PLIST", dir.path().toStdString() + "/none.plist");
    std::int32_t major = 1, minor = 2, bugfix = 3;
    get_system_version(&major, &minor, &bugfix);
    EXPECT_EQ(major * 100 + minor * 10 + bugfix, 123);
    EXPECT_FALSE(runningOnLeopardOrLater());
}

TEST(HostProtocol, ConstantAnswers)
{
    ScopedUserDirs dirs;
    TestHost host;
    auto panel = host.makePanel();
    EXPECT_EQ(panel->panelName(), "Job Control");
    EXPECT_EQ(panel->supportedPPDOptionKeys(),
              (std::vector<std::string>{"ARPrintRelease", "ARDocFiling", "ARHoldKey", "ARDocumentFiling",
                                        "ARCustomFolderName", "ARCustomFolderPIN", "ARAccountLogin",
                                        "ARAccountPassword", "ARUserNumber", "ARUserName", "ARJobName"}));
    EXPECT_TRUE(panel->shouldHide());
    EXPECT_TRUE(panel->shouldShowHelp());
    std::string error = "untouched";
    EXPECT_TRUE(panel->restoreValuesAndReturnError(&error));
    EXPECT_TRUE(panel->saveValuesAndReturnError(&error));
    EXPECT_EQ(error, "untouched");
}

TEST(HostProtocol, PanelNameIsLocalizedOnceAndKept)
{
    ScopedUserDirs dirs;
    ScopedEnv language("LANGUAGE", "de");
    TestHost host;
    auto panel = host.makePanel();
    EXPECT_EQ(panel->panelName(), "Auftragssteuerung");
    {
        ScopedEnv english("LANGUAGE", "en");
        EXPECT_EQ(panel->panelName(), "Auftragssteuerung");
    }
}

TEST(HostProtocol, PanelViewLoadsTheLayoutOnce)
{
    ScopedUserDirs dirs;
    TestHost host;
    auto panel = host.makePanel();
    QWidget* first = panel->panelView();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(panel->hasInited);
    EXPECT_EQ(panel->panelView(), first);
    EXPECT_TRUE(panel->retentionCheckBox.isPresent());
    EXPECT_TRUE(panel->folderSelectionPopup.isPresent());
    EXPECT_FALSE(panel->folderSelectionMatrix.isPresent());
    EXPECT_FALSE(panel->isPanelViewRetain);

    TestHost matrixHost;
    matrixHost.layout = "JobControl2";
    auto matrixPanel = matrixHost.makePanel();
    ASSERT_NE(matrixPanel->panelView(), nullptr);
    EXPECT_TRUE(matrixPanel->folderSelectionMatrix.isPresent());
    EXPECT_FALSE(matrixPanel->folderSelectionPopup.isPresent());
    EXPECT_EQ(matrixPanel->folderSelectionMatrix.numberOfRows(), 3);
}

TEST(HostProtocol, AMissingLayoutLeavesThePanelWithoutViewButWorking)
{
    ScopedUserDirs dirs;
    TestHost host;
    host.layout = "NoSuchLayout";
    auto panel = host.makePanel();
    EXPECT_EQ(panel->panelView(), nullptr);
    EXPECT_FALSE(panel->retentionCheckBox.isPresent());
    EXPECT_TRUE(panel->restoreValuesAndReturnError(nullptr));
    EXPECT_TRUE(panel->saveValuesAndReturnError(nullptr));
    EXPECT_TRUE(panel->shouldPrint());
    EXPECT_TRUE(panel->summaryInfo().empty() || panel->hasInited);
}

TEST(HostProtocol, ShouldPrintMakesUpForRestoreAndSaveOnce)
{
    ScopedUserDirs dirs;
    TestHost host;
    auto panel = host.makePanel();
    EXPECT_TRUE(panel->shouldPrint());
    EXPECT_NE(panel->view, nullptr);  // a panel never shown is loaded by the restore
    EXPECT_TRUE(panel->isPanelViewRetain);
    EXPECT_TRUE(panel->hasInited);
    EXPECT_TRUE(panel->callRestoreValuesFunction);
    EXPECT_TRUE(panel->callSaveValuesFunction);

    // The host's own restore and save come first: shouldPrint does not redo them. A restore
    // would refill the controls, so a value typed after the restore must survive shouldPrint.
    TestHost host2;
    auto panel2 = host2.makePanel();
    panel2->panelView();
    panel2->restoreValuesAndReturnError(nullptr);
    panel2->saveValuesAndReturnError(nullptr);
    QWidget* view = panel2->panelView();
    panel2->jobNameEditText.setStringValue("typed after restore");
    EXPECT_TRUE(panel2->shouldPrint());
    EXPECT_TRUE(panel2->shouldPrint());
    EXPECT_EQ(panel2->panelView(), view);
    EXPECT_FALSE(panel2->isPanelViewRetain);
    EXPECT_EQ(panel2->jobNameEditText.stringValue(), "typed after restore");
}

TEST(PPDChoices, WrappersListFindAndFillAPopUp)
{
    TestHost host;
    ppd_option_t* option = ppdFindOption(host.ppdFile(), "ARDocumentFiling");
    ASSERT_NE(option, nullptr);
    auto choices = ArrayFromPPDOption(option);
    ASSERT_TRUE(choices.has_value());
    ASSERT_EQ(choices->size(), 4u);
    EXPECT_EQ((*choices)[0]->ppdTitle(), "None");
    EXPECT_EQ((*choices)[3]->ppdTitle(), "CustomFolder");
    EXPECT_EQ((*choices)[1]->userTitle(platform::kUTF8StringEncoding), "Quick File");
    EXPECT_EQ(ArrayFromPPDOption(nullptr), std::nullopt);

    EXPECT_EQ(FindChoiceForString("MainFolder", *choices), (*choices)[2]);
    EXPECT_EQ(FindChoiceForString("mainfolder", *choices), nullptr);
    EXPECT_EQ(FindChoiceForString(std::nullopt, *choices), nullptr);

    QComboBox combo;
    platform::PopUp popUp(&combo);
    popUp.addItem("stale", platform::Image());
    InitPopUpFromArray(popUp, *choices, platform::kUTF8StringEncoding);
    ASSERT_EQ(combo.count(), 4);
    EXPECT_EQ(combo.itemText(3).toStdString(), "Custom Folder");
    EXPECT_EQ(popUp.representedObject(2), (*choices)[2]);
    InitPopUpFromArray(popUp, {}, platform::kUTF8StringEncoding);
    EXPECT_EQ(combo.count(), 0);
}

TEST(PPDChoices, UserTitleKeepsItsFirstDecoding)
{
    ppd_choice_t choice{};
    std::snprintf(choice.choice, sizeof choice.choice, "Caf");
    std::snprintf(choice.text, sizeof choice.text, "Caf\xc3\xa9");
    KorvanePrintPdeRk880JCPDEChoice wrapper(&choice);
    EXPECT_EQ(wrapper.userTitle(platform::kUTF8StringEncoding), "Caf\xc3\xa9");
    EXPECT_EQ(wrapper.userTitle(platform::kMacOSRomanStringEncoding), "Caf\xc3\xa9");

    // Bytes invalid in the encoding give no title now, and a later call tries again.
    ppd_choice_t bad{};
    std::snprintf(bad.text, sizeof bad.text, "Caf\xe9");
    KorvanePrintPdeRk880JCPDEChoice badWrapper(&bad);
    EXPECT_EQ(badWrapper.userTitle(platform::kUTF8StringEncoding), std::nullopt);
    EXPECT_EQ(badWrapper.userTitle(platform::kISOLatin1StringEncoding), "Caf\xc3\xa9");
}

TEST(PPDChoices, SelectionFollowsTheHostsVerdict)
{
    ScopedUserDirs dirs;
    TestHost host;
    auto panel = host.makePanel();
    ppd_option_t* option = ppdFindOption(host.ppdFile(), "ARDocumentFiling");
    auto choices = *ArrayFromPPDOption(option);
    QComboBox combo;
    platform::PopUp popUp(&combo);
    InitPopUpFromArray(popUp, choices, panel->ppdEncoding);
    combo.setCurrentIndex(2);

    std::shared_ptr<KorvanePrintPdeRk880JCPDEChoice> selection = choices[0];
    host.acceptChoices = false;
    panel->getSelection(selection, popUp, "ARDocumentFiling");
    EXPECT_EQ(selection, choices[0]);
    ASSERT_EQ(host.askedChoices.size(), 1u);
    EXPECT_EQ(host.askedChoices[0], std::make_pair(std::string("ARDocumentFiling"), std::string("MainFolder")));

    host.acceptChoices = true;
    panel->getSelection(selection, popUp, "ARDocumentFiling");
    EXPECT_EQ(selection, choices[2]);

    // The button form takes the state as the index.
    ppd_option_t* release = ppdFindOption(host.ppdFile(), "ARPrintRelease");
    auto onOff = *ArrayFromPPDOption(release);
    ASSERT_EQ(onOff.size(), 2u);
    QWidget window;
    auto* box = new QCheckBox(&window);
    box->setChecked(true);
    platform::Button button(box);
    std::shared_ptr<KorvanePrintPdeRk880JCPDEChoice> flag = onOff[0];
    panel->getSelection(flag, onOff, button, "ARPrintRelease");
    EXPECT_EQ(flag, onOff[1]);

    // Without constraint handling the host is never asked.
    panel->useConstraintHandling = false;
    host.acceptChoices = false;
    const std::size_t asked = host.askedChoices.size();
    combo.setCurrentIndex(1);
    panel->getSelection(selection, popUp, "ARDocumentFiling");
    EXPECT_EQ(selection, choices[1]);
    EXPECT_EQ(host.askedChoices.size(), asked);
}

TEST(PPDChoices, MarkedOrDefaultChoiceIndex)
{
    ScopedUserDirs dirs;
    TestHost host;
    auto panel = host.makePanel();
    ppd_option_t* option = ppdFindOption(host.ppdFile(), "ARDocumentFiling");
    EXPECT_EQ(panel->indexOfMarkedOption(option, "ARDocumentFiling"), 0);  // the default, marked
    ppdMarkOption(host.ppdFile(), "ARDocumentFiling", "MainFolder");
    EXPECT_EQ(panel->indexOfMarkedOption(option, "ARDocumentFiling"), 2);

    ppd_option_t bare{};
    std::snprintf(bare.defchoice, sizeof bare.defchoice, "Nothing");
    EXPECT_EQ(panel->indexOfMarkedOption(&bare, "NoSuchKeyword"), -1);
}

TEST(Labels, LocalizedCaptionsKeepTheirColon)
{
    ScopedUserDirs dirs;
    ScopedEnv language("LANGUAGE", "de");
    TestHost host;
    auto panel = host.makePanel();
    auto text = [](const char* s) { return std::optional<std::string>(s); };
    EXPECT_EQ(panel->localizedStringValue(text("Job Control")), "Auftragssteuerung");
    EXPECT_EQ(panel->localizedStringValue(text("User Name:")), "Benutzername:");
    EXPECT_EQ(panel->localizedStringValue(text("  User Name:")), "Benutzername:");
    EXPECT_EQ(panel->localizedStringValue(text("User Name:B")), "Benutzername:");
    EXPECT_EQ(panel->localizedStringValue(text("Untranslated:")), "Untranslated:");
    EXPECT_EQ(panel->localizedStringValue(text(":")), ":");
    EXPECT_EQ(panel->localizedStringValue(text("")), "");
    EXPECT_EQ(panel->localizedStringValue(text("   ")), "   ");
    EXPECT_EQ(panel->localizedStringValue(std::optional<std::string>()), std::nullopt);
    EXPECT_EQ(panel->localizedStringValue(platform::TextField()), std::nullopt);
    EXPECT_EQ(panel->localizedStringValue(platform::Button()), std::nullopt);
}

TEST(Labels, SystemIconsAreEighteenPoints)
{
    const platform::Bundle bundle(TestHost::bundleDir());
    for (std::uint32_t type : {platform::kLockedIconType, platform::kUnlockedIconType}) {
        platform::Image icon = platform::initWithSystemIconType(type, bundle);
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.size(), QSize(18, 18));
    }
    EXPECT_EQ(platform::initWithSystemIconType(platform::kLockedIconType, bundle).name(), "lock");
    EXPECT_TRUE(platform::initWithSystemIconType(platform::fourCharCode("xxxx"), bundle).isNull());
}

TEST(PanelConstruction, VendorFlagKeepsTheStoredFolderListAway)
{
    ScopedUserDirs dirs;
    PPDFixture ppds;
    {
        TestHost host("Office_3F", "socket://10.0.0.9");
        auto panel = host.makePanel();
        panel->panelView();
        panel->folderList = FolderList{{std::string("Team A"), true, false, false}};
        ASSERT_TRUE(panel->SaveFolderPreference());
    }
    TestHost plain("Office_3F", "socket://10.0.0.9");
    auto offered = plain.makePanel();
    ASSERT_TRUE(offered->folderList.has_value());
    EXPECT_EQ(offered->folderList->size(), 1u);

    TestHost vendor("Office_3F", "socket://10.0.0.9",
                    ppds.write({{"*ARKorvanePrintSystem", "*ARKorvanePrintSystem: True"}}));
    auto withheld = vendor.makePanel();
    EXPECT_TRUE(withheld->korvane_print_system);
    EXPECT_FALSE(withheld->folderList.has_value());
}
