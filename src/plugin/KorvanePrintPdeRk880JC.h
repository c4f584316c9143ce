// The "Job Control" panel: one object that holds the tab's controls and every value behind
// them, driven by the host through the print dialog extension protocol.
//
// Its operations are defined in the files of their concern: the frame and host protocol in
// src/plugin, the writer and reader in src/settings, control set-up, rules, actions and the
// folder pop-up in src/ui, the preference store in src/prefs, the folder-list reply in
// src/soap.
#pragma once

#include "platform/bundle.h"
#include "platform/controls.h"
#include "platform/encoding.h"
#include "platform/exchange_guard.h"
#include "platform/field_report.h"
#include "platform/image.h"
#include "platform/layout.h"
#include "platform/pde.h"
#include "platform/ppd_view.h"
#include "plugin/KorvanePrintPdeRk880JCPDEChoice.h"
#include "plugin/folder_entry.h"
#include "plugin/panel_rows.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What the login-name filter may call back; it never does.
class LoginnameInputFilterCallback {
public:
    virtual ~LoginnameInputFilterCallback() = default;
};

// The panel answers the SOAP client's callback (recieveEndCallback); the client reaches it
// through a forwarder in src/soap, since the panel's declaration sits below the SOAP folder.
class KorvanePrintPdeRk880JC : public platform::PDEPanel, public LoginnameInputFilterCallback {
public:
    // Construction reads the PPD, the printer's address and the stored preferences through
    // the host's callback, which must outlive the panel. The bundle is the one that holds the
    // panel's code unless a caller that links the panel statically names it.
    explicit KorvanePrintPdeRk880JC(platform::PDEPluginCallback* callback);
    KorvanePrintPdeRk880JC(platform::PDEPluginCallback* callback, platform::Bundle bundle);
    ~KorvanePrintPdeRk880JC() override;
    KorvanePrintPdeRk880JC(const KorvanePrintPdeRk880JC&) = delete;
    KorvanePrintPdeRk880JC& operator=(const KorvanePrintPdeRk880JC&) = delete;

    // --- Host protocol (src/plugin/panel_frame.cpp, summary.cpp) ---
    QWidget* panelView() override;
    std::string panelName() override;
    std::string panelKind() override;
    std::vector<std::string> supportedPPDOptionKeys() override;
    void willShow() override;
    bool shouldHide() override;
    bool shouldPrint() override;
    bool shouldShowHelp() override;
    void PPDOptionKeyValueDidChange(const std::string& keyword, const std::string& choice) override;
    bool restoreValuesAndReturnError(std::string* error) override;
    bool saveValuesAndReturnError(std::string* error) override;
    std::map<std::string, std::string> summaryInfo() override;
    void updateUI() override;

    void describeFields(platform::FieldReport& report) override;

    // Stand-ins for a host without constraint handling: no PPD of the panel's own.
    platform::PPDView getPPDOnTiger();
    void getPPDSettingsFromPrintSettingsOnTiger();
    void writePPDSettingsToPrintSettingsOnTiger();

    // --- Utilities: model profile and PPD choices (src/plugin/utilities.cpp) ---
    int getUIMode() const;
    int getPasswordMax() const;
    bool CheckHardDisk() const;
    bool isHeronMarlin() const;
    bool isTiger() const;
    int indexOfMarkedOption(platform::PPDOptionRecord* option, const char* keyword);
    void getSelection(std::shared_ptr<KorvanePrintPdeRk880JCPDEChoice>& selection, const platform::PopUp& popUp,
                      const std::string& keyword);
    void getSelection(std::shared_ptr<KorvanePrintPdeRk880JCPDEChoice>& selection,
                      const std::vector<std::shared_ptr<KorvanePrintPdeRk880JCPDEChoice>>& choices,
                      const platform::Button& button, const std::string& keyword);
    // The localized caption of a text, keeping its colon; nothing for an absent argument.
    std::optional<std::string> localizedStringValue(const std::optional<std::string>& text) const;
    std::optional<std::string> localizedStringValue(const platform::TextField& field) const;
    std::optional<std::string> localizedStringValue(const platform::Box& box) const;
    std::optional<std::string> localizedStringValue(const platform::Button& button) const;

    // --- Control set-up (src/ui/initialize_ui.cpp) and the folder pop-up (src/ui/folder_popup.cpp) ---
    void initializeUI();
    void makeFolderPopup();
    std::int64_t SearchSameFolderName(const std::optional<std::string>& name) const;

    // --- Enablement rules (src/ui/rules.cpp) ---
    void suspendKeyStaticTextEnabled();
    void suspendKeyEditTextEnabled();
    void folderSelectionStaticTextEnabled();
    void folderPasswordStaticTextEnabled();
    void folderPasswordEditTextEnabled();
    void folderNameEditTextEnabled();
    void loginNameStaticTextEnabled();
    void loginNameEditTextEnabled();
    void passwordStaticTextEnabled();
    void passwordEditTextEnabled();
    void userNumberEditTextEnabled();
    void userNameEditTextEnabled();
    void jobNameEditTextEnabled();
    void accountNumberEditTextEnabled();
    void suspendMatrixEnabled();
    void suspendKeyButtonEnabled();
    void folderSelectionPopupEnabled();
    void folderSelectionMatrixEnabled();
    void folderPasswordButtonEnabled();
    void folderNameButtonEnabled();
    void loginNameButtonEnabled();
    void passwordButtonEnabled();
    void userNumberButtonEnabled();
    void accountNumberButtonEnabled();

    // --- Control actions (src/ui/actions.cpp); each takes its sender and ignores it ---
    void performAction(const std::string& action);
    void tabProc(const platform::Control& sender);
    void retentionCBoxProc(const platform::Control& sender);
    void suspendKeyMatrixProc(const platform::Control& sender);
    void suspendKeyETextProc(const platform::Control& sender);
    void suspendKeyButtonProc(const platform::Control& sender);
    void folderSelectionPopUpButtonProc(const platform::Control& sender);
    void folderPasswordETextProc(const platform::Control& sender);
    void folderPasswordButtonProc(const platform::Control& sender);
    void folderNameButtonProc(const platform::Control& sender);
    void folderSelectionMatrixProc(const platform::Control& sender);
    void authenticationMatrixProc(const platform::Control& sender);
    void loginNameETextProc(const platform::Control& sender);
    void loginNameButtonProc(const platform::Control& sender);
    void passwordETextProc(const platform::Control& sender);
    void passwordButtonProc(const platform::Control& sender);
    void userNumberETextProc(const platform::Control& sender);
    void userNumberButtonProc(const platform::Control& sender);
    void userNameETextProc(const platform::Control& sender);
    void userNameButtonProc(const platform::Control& sender);
    void jobNameETextProc(const platform::Control& sender);
    void jobNameButtonProc(const platform::Control& sender);
    void accountNumberETextProc(const platform::Control& sender);
    void accountNumberButtonProc(const platform::Control& sender);
    void printersAddressButtonProc(const platform::Control& sender);
    void getFolderNameButtonProc(const platform::Control& sender);  // src/soap/folder_fetch.cpp

    // --- Settings (src/settings/writer.cpp, reader.cpp) ---
    void writeNonPPDSettingsToPrintSettings();
    void getNonPPDSettingsFromPrintSettings();

    // --- Preference store (src/prefs/preference.cpp) ---
    void CheckPreference();
    void GetUserPreference();
    bool SaveUserPreference();
    void GetFolderPreference();
    bool SaveFolderPreference();
    bool GetHDDPreference();
    bool SaveHDDPreference();

    // --- Folder list from the printer (src/soap/folder_fetch.cpp, reply.cpp) ---
    bool parseXML(const std::string& replyFilePath);
    void recieveEndCallback();

    // --- Fields ---

    // Frame (held from construction to destruction).
    platform::PDEPluginCallback* pdePluginCallbackObject = nullptr;  // the host's; outlives the panel
    std::optional<std::string> thePDEName;
    bool useConstraintHandling = false;
    bool canResizeView = false;
    bool hasInited = false;
    platform::PPDView ppd;  // the host's; never freed here
    platform::StringEncoding ppdEncoding = platform::kMacOSRomanStringEncoding;
    platform::StringEncoding systemEncoding = platform::kUTF8StringEncoding;
    platform::Bundle pdeBundle;
    bool callSaveValuesFunction = false;
    bool callRestoreValuesFunction = false;
    bool korvane_print_system = false;
    std::unique_ptr<platform::LoadedView> view;  // the loaded layout; panelView is its root

    // Outlets, connected when the layout loads; any of them may be absent.
    platform::TabView tabView;
    platform::Button retentionCheckBox;
    platform::Box suspendBox;
    platform::Matrix suspendMatrix;
    platform::Button holdOnlyRadioButton;
    platform::Button holdAfterRadioButton;
    platform::Button samplePrintRadioButton;
    platform::TextField suspendKeyStaticText;
    platform::TextField suspendKeyEditText;
    platform::Button suspendKeyButton;
    platform::Box filingBox;
    platform::TextField folderSelectionStaticText;
    platform::PopUp folderSelectionPopup;
    platform::TextField folderPasswordStaticText;
    platform::TextField folderPasswordEditText;
    platform::Button folderPasswordButton;
    platform::Matrix folderSelectionMatrix;
    platform::Button quickFileRadioButton;
    platform::Button mainFolderRadioButton;
    platform::Button customFolderRadioButton;
    platform::TextField folderNameEditText;
    platform::Button folderNameButton;
    platform::Matrix authenticationMatrix;
    platform::Button authenticationRadioButton;
    platform::TextField loginNameStaticText;
    platform::TextField loginNameEditText;
    platform::Button loginNameButton;
    platform::TextField passwordStaticText;
    platform::TextField passwordEditText;
    platform::Button passwordButton;
    platform::Matrix userNumberMatrix;
    platform::Button userNumberRadioButton;
    platform::TextField userNumberEditText;
    platform::Button userNumberButton;
    platform::TextField accountNumberStaticText;
    platform::TextField accountNumberEditText;
    platform::Button accountNumberButton;
    platform::Box jobIDBox;
    platform::TextField userNameStaticText;
    platform::TextField userNameEditText;
    platform::Button userNameButton;
    platform::TextField jobNameStaticText;
    platform::TextField jobNameEditText;
    platform::Button jobNameButton;
    platform::TextField printersAddressStaticText;
    platform::TextField printersAddressEditText;
    platform::Progress chasingArrow;
    platform::Button getFolderNameButton;

    std::optional<platform::ByteBuffer> requestData;  // the folder-list request body
    std::optional<platform::ByteBuffer> debugData;
    std::optional<std::string> preferenceName;  // "korvane.mfp." + the queue's name
    std::optional<std::string> modelStringRef;

    // Remembered values, loaded from the preference domain, in their stored forms.
    std::uint32_t prefHoldButtonFlag = 0;
    std::optional<std::string> prefSuspendKeyStringRef;
    std::optional<bool> prefAuthenticationBooleanRef;
    std::optional<std::string> prefLoginNameStringRef;
    std::optional<std::string> prefPasswordStringRef;
    std::optional<std::string> prefUserNumberStringRef;
    std::optional<std::string> prefAccountNumberStringRef;
    std::optional<std::string> prefUserNameStringRef;
    std::optional<std::string> prefJobNameStringRef;
    std::optional<std::string> prefFolderPassStringRef;
    std::optional<std::string> prefFolderNameStringRef;

    // The login name while its lock masks the field.
    std::optional<std::string> loginNameStringRef;
    bool loginNameLockFlag = false;
    bool loginNameUnLockFlag = false;
    std::optional<std::string> folderNameStringRef;
    std::optional<std::string> addressStringRef;

    std::optional<std::string> mfpURL;  // the printer's host, from the device URI
    std::optional<FolderList> folderList;
    platform::Image spaceImage;
    std::uint32_t presetHoldButtonFlag = 0;
    bool tigerHDDFlag = false;
    bool isPanelViewRetain = false;

    // The folder exchange under way (src/soap/folder_fetch.cpp). Declared last so that it is
    // the first to go with the panel and can stop an exchange that still waits.
    platform::ExchangeGuard folderFetchGuard;

private:
    void connectOutlets();
};

// The text encoding of a PPD's strings, from its *LanguageEncoding.
platform::StringEncoding getEncodingFromPPD(platform::PPDView ppd);

// The host part of a device URI whose scheme is ipp, lpd or socket; nothing otherwise.
std::optional<std::string> hostOfDeviceURI(const std::optional<std::string>& uri);

// The system version from the version property list, as get_system_version gives it.
void get_system_version(std::int32_t* major, std::int32_t* minor, std::int32_t* bugfix);
bool runningOnLeopardOrLater();
