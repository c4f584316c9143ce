// The panel's frame: construction from the host's surroundings, the host protocol, and the
// order in which restore, save and the preference store are called.
#include "plugin/KorvanePrintPdeRk880JC.h"
#include "plugin/product_name.h"

#include "platform/device_uri.h"
#include "platform/printing.h"
#include "platform/system.h"
#include "platform/trace.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kPanelKind = "korvane.print.pde.rk880.JobControlKind";

// The layout of each UI mode.
std::optional<std::string> layoutNameForUIMode(int mode)
{
    switch (mode) {
    case 1:
        return "JobControl";
    case 2:
    case 3:
    case 4:
    case 5:
        return "JobControl" + std::to_string(mode);
    default:
        return std::nullopt;
    }
}

// The leading decimal digits of a version piece as a number; 0 when it has none.
std::int32_t leadingNumber(const std::string& piece)
{
    std::int32_t value = 0;
    for (char c : piece) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > 1000000)
            break;
    }
    return value;
}

// Whether the vendor attribute's value switches the vendor behaviour on: anything but
// "False" and "FALSE" does, an empty value included.
bool vendorFlagIsSet(const std::optional<std::string>& value)
{
    return value && *value != "False" && *value != "FALSE";
}

}  // namespace

// --- System version ---

void get_system_version(std::int32_t* major, std::int32_t* minor, std::int32_t* bugfix)
{
    auto version = platform::productVersionFromPlist(platform::systemVersionPlistPath());
    if (!version)
        return;
    std::int32_t* targets[] = {major, minor, bugfix};
    std::size_t start = 0;
    for (std::int32_t* target : targets) {
        const std::size_t dot = version->find('.', start);
        if (target)
            *target = leadingNumber(version->substr(start, dot - start));
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
}

bool runningOnLeopardOrLater()
{
    std::int32_t major = 10, minor = 4, bugfix = 0;
    get_system_version(&major, &minor, &bugfix);
    return major > 10 || (major == 10 && minor > 4);
}

std::optional<std::string> hostOfDeviceURI(const std::optional<std::string>& uri)
{
    if (!uri)
        return std::nullopt;
    const std::string scheme = uri->substr(0, uri->find(':'));
    if (scheme != "ipp" && scheme != "lpd" && scheme != "socket")
        return std::nullopt;
    return platform::hostOfURI(*uri);
}

// --- Construction and destruction ---

KorvanePrintPdeRk880JC::KorvanePrintPdeRk880JC(platform::PDEPluginCallback* callback)
    : KorvanePrintPdeRk880JC(callback, platform::Bundle::containing(reinterpret_cast<const void*>(&getEncodingFromPPD)))
{
}

KorvanePrintPdeRk880JC::KorvanePrintPdeRk880JC(platform::PDEPluginCallback* callback, platform::Bundle bundle)
{
    _PDEProlog(this, "initWithCallback:(%@, %p)", callback, callback);
    pdePluginCallbackObject = callback;
    pdeBundle = std::move(bundle);
    pdeBundle.setTranslationsName(korvane::kProductName);
    useConstraintHandling = callback && callback->offersConstraintHandling();
    _PDELog(this, "Constraint Handling Available: %s", useConstraintHandling ? "YES" : "NO");
    canResizeView = runningOnLeopardOrLater();
    _PDELog(this, "Can resize on the fly: %s", canResizeView ? "YES" : "NO");
    ppd = useConstraintHandling ? platform::PPDView(callback->ppdFile()) : getPPDOnTiger();

    if (ppd) {
        ppdEncoding = getEncodingFromPPD(ppd);
        if (const auto model = ppd.modelName())
            modelStringRef = platform::decodeBytes(*model, ppdEncoding);
        const platform::PrintSession* session = callback->printSession();
        const platform::Printer* printer = session ? session->currentPrinter() : nullptr;
        // Without a printer, or one without a name, there is no address and no domain.
        if (printer) {
            mfpURL = hostOfDeviceURI(printer->deviceURI());
            if (!printer->identifier().empty())
                preferenceName = "korvane.mfp." + printer->identifier();
        }
        // The vendor flag decides whether the stored folder list is offered, so it is read
        // before the preferences are loaded rather than after them.
        korvane_print_system = vendorFlagIsSet(ppd.attribute("ARKorvanePrintSystem"));
        CheckPreference();
        GetUserPreference();
        GetFolderPreference();
        requestData = pdeBundle.contentsOfResource("listfiles", "xml");
        debugData = pdeBundle.contentsOfResource("vwxyz", "xml");
        if (isTiger() && CheckHardDisk())
            tigerHDDFlag = true;
    }

    systemEncoding = platform::systemEncoding();
    spaceImage = platform::imageFromBundle(pdeBundle, "space", "png");
    _PDEEpilog(this, "initWithCallback:=id(self)");
}

// Everything the panel holds is a value or owned pointer and goes with it; the host's PPD,
// print settings and callback stay the host's.
KorvanePrintPdeRk880JC::~KorvanePrintPdeRk880JC() = default;

// --- Host protocol ---

QWidget* KorvanePrintPdeRk880JC::panelView()
{
    _PDEProlog(this, "panelView:");
    if (!view) {
        std::optional<std::string> name =
            pdePluginCallbackObject ? pdePluginCallbackObject->preferredLayoutName() : std::nullopt;
        if (!name)
            name = layoutNameForUIMode(getUIMode());
        if (name)
            view = platform::LoadedView::load(pdeBundle, *name);
        if (view)
            connectOutlets();
    }
    initializeUI();
    QWidget* root = view ? view->root() : nullptr;
    _PDEEpilog(this, "panelView:=NSView(%@, %p)", root, root);
    return root;
}

std::string KorvanePrintPdeRk880JC::panelName()
{
    _PDEProlog(this, "panelName:");
    if (!thePDEName)
        thePDEName = pdeBundle.localizedString("Job Control");
    _PDEEpilog(this, "panelName:=NSString(%@)", *thePDEName);
    return *thePDEName;
}

std::string KorvanePrintPdeRk880JC::panelKind()
{
    _PDEProlog(this, "panelKind:");
    _PDEEpilog(this, "panelKind:=NSString(%@)", kPanelKind);
    return kPanelKind;
}

std::vector<std::string> KorvanePrintPdeRk880JC::supportedPPDOptionKeys()
{
    _PDEProlog(this, "supportedPPDOptionKeys:");
    std::vector<std::string> keys{"ARPrintRelease",     "ARDocFiling",       "ARHoldKey",      "ARDocumentFiling",
                                  "ARCustomFolderName", "ARCustomFolderPIN", "ARAccountLogin", "ARAccountPassword",
                                  "ARUserNumber",       "ARUserName",        "ARJobName"};
    _PDEEpilog(this, "supportedPPDOptionKeys:=NSArray(%@)", keys.size());
    return keys;
}

void KorvanePrintPdeRk880JC::willShow()
{
    _PDEProlog(this, "willShow:");
    if (!hasInited)
        initializeUI();
    updateUI();
    _PDEEpilog(this, "willShow:=void");
}

bool KorvanePrintPdeRk880JC::shouldHide()
{
    _PDEProlog(this, "shouldHide:");
    _PDEEpilog(this, "shouldHide:=BOOL(YES)");
    return true;
}

bool KorvanePrintPdeRk880JC::shouldPrint()
{
    _PDEProlog(this, "shouldPrint:");
    platform::PrintSettings* settings = pdePluginCallbackObject ? pdePluginCallbackObject->printSettings() : nullptr;
    if (!callRestoreValuesFunction)
        restoreValuesAndReturnError(nullptr);
    if (!callSaveValuesFunction)
        saveValuesAndReturnError(nullptr);
    if (settings && hasInited) {
        SaveUserPreference();
        GetUserPreference();
    }
    _PDEEpilog(this, "shouldPrint:=BOOL(YES)");
    return true;
}

bool KorvanePrintPdeRk880JC::shouldShowHelp()
{
    _PDEProlog(this, "shouldShowHelp:");
    _PDEEpilog(this, "shouldShowHelp:=BOOL(YES)");
    return true;
}

void KorvanePrintPdeRk880JC::PPDOptionKeyValueDidChange(const std::string& keyword, const std::string& choice)
{
    _PDEProlog(this, "PPDOptionKeyValueDidChange:(%@) ppdChoice:(%@)", keyword, choice);
    _PDEEpilog(this, "PPDOptionKeyValueDidChange:ppdChoice:=void");
}

bool KorvanePrintPdeRk880JC::restoreValuesAndReturnError(std::string* error)
{
    _PDEProlog(this, "restoreValuesAndReturnError:(%p)", error);
    if (!view) {
        panelView();
        // The panel keeps the view it loaded itself; noted as on the desktop.
        isPanelViewRetain = true;
    }
    if (!hasInited)
        initializeUI();
    if (!useConstraintHandling)
        getPPDSettingsFromPrintSettingsOnTiger();
    getNonPPDSettingsFromPrintSettings();
    updateUI();
    callRestoreValuesFunction = true;
    _PDEEpilog(this, "restoreValuesAndReturnError:=BOOL(YES)");
    return true;
}

bool KorvanePrintPdeRk880JC::saveValuesAndReturnError(std::string* error)
{
    _PDEProlog(this, "saveValuesAndReturnError:(%p)", error);
    if (!useConstraintHandling)
        writePPDSettingsToPrintSettingsOnTiger();
    writeNonPPDSettingsToPrintSettings();
    callSaveValuesFunction = true;
    _PDEEpilog(this, "saveValuesAndReturnError:=BOOL(YES)");
    return true;
}

// The hook after a restore and on every showing; the panel has nothing to refresh.
void KorvanePrintPdeRk880JC::updateUI()
{
    _PDEProlog(this, "--updateUI:");
    _PDEEpilog(this, "--updateUI:");
}

platform::PPDView KorvanePrintPdeRk880JC::getPPDOnTiger()
{
    return {};
}

void KorvanePrintPdeRk880JC::getPPDSettingsFromPrintSettingsOnTiger() {}

void KorvanePrintPdeRk880JC::writePPDSettingsToPrintSettingsOnTiger() {}

// --- Outlets ---

void KorvanePrintPdeRk880JC::connectOutlets()
{
    const platform::LoadedView& v = *view;
    tabView = v.tabView("tabView");
    retentionCheckBox = v.button("retentionCheckBox");
    suspendBox = v.box("suspendBox");
    suspendMatrix = v.matrix("suspendMatrix");
    holdOnlyRadioButton = v.button("holdOnlyRadioButton");
    holdAfterRadioButton = v.button("holdAfterRadioButton");
    samplePrintRadioButton = v.button("samplePrintRadioButton");
    suspendKeyStaticText = v.textField("suspendKeyStaticText");
    suspendKeyEditText = v.textField("suspendKeyEditText");
    suspendKeyButton = v.button("suspendKeyButton");
    filingBox = v.box("filingBox");
    folderSelectionStaticText = v.textField("folderSelectionStaticText");
    folderSelectionPopup = v.popUp("folderSelectionPopup");
    folderPasswordStaticText = v.textField("folderPasswordStaticText");
    folderPasswordEditText = v.textField("folderPasswordEditText");
    folderPasswordButton = v.button("folderPasswordButton");
    folderSelectionMatrix = v.matrix("folderSelectionMatrix");
    quickFileRadioButton = v.button("quickFileRadioButton");
    mainFolderRadioButton = v.button("mainFolderRadioButton");
    customFolderRadioButton = v.button("customFolderRadioButton");
    folderNameEditText = v.textField("folderNameEditText");
    folderNameButton = v.button("folderNameButton");
    authenticationMatrix = v.matrix("authenticationMatrix");
    authenticationRadioButton = v.button("authenticationRadioButton");
    loginNameStaticText = v.textField("loginNameStaticText");
    loginNameEditText = v.textField("loginNameEditText");
    loginNameButton = v.button("loginNameButton");
    passwordStaticText = v.textField("passwordStaticText");
    passwordEditText = v.textField("passwordEditText");
    passwordButton = v.button("passwordButton");
    userNumberMatrix = v.matrix("userNumberMatrix");
    userNumberRadioButton = v.button("userNumberRadioButton");
    userNumberEditText = v.textField("userNumberEditText");
    userNumberButton = v.button("userNumberButton");
    accountNumberStaticText = v.textField("accountNumberStaticText");
    accountNumberEditText = v.textField("accountNumberEditText");
    accountNumberButton = v.button("accountNumberButton");
    jobIDBox = v.box("jobIDBox");
    userNameStaticText = v.textField("userNameStaticText");
    userNameEditText = v.textField("userNameEditText");
    userNameButton = v.button("userNameButton");
    jobNameStaticText = v.textField("jobNameStaticText");
    jobNameEditText = v.textField("jobNameEditText");
    jobNameButton = v.button("jobNameButton");
    printersAddressStaticText = v.textField("printersAddressStaticText");
    printersAddressEditText = v.textField("printersAddressEditText");
    chasingArrow = v.progress("chasingArrow");
    getFolderNameButton = v.button("getFolderNameButton");
    view->connectActions([this](const std::string& action) { performAction(action); });
}

// --- Diagnostics ---

void KorvanePrintPdeRk880JC::describeFields(platform::FieldReport& report)
{
    report.add("mfpURL", mfpURL);
    report.add("preferenceName", preferenceName);
    report.add("korvane_print_system", korvane_print_system);
    report.add("modelStringRef", modelStringRef);
    report.add("ppdEncoding", static_cast<std::int64_t>(ppdEncoding));
    report.add("systemEncoding", static_cast<std::int64_t>(systemEncoding));
    report.add("useConstraintHandling", useConstraintHandling);
    report.add("canResizeView", canResizeView);
    report.add("hasInited", hasInited);
    report.add("callRestoreValuesFunction", callRestoreValuesFunction);
    report.add("callSaveValuesFunction", callSaveValuesFunction);
    report.add("thePDEName", thePDEName);
    report.add("tigerHDDFlag", tigerHDDFlag);
    report.add("isPanelViewRetain", isPanelViewRetain);
    report.add("hasRequestData", requestData.has_value());
    report.add("hasSpaceImage", !spaceImage.isNull());
    report.add("presetHoldButtonFlag", static_cast<std::int64_t>(presetHoldButtonFlag));
    report.add("prefHoldButtonFlag", static_cast<std::int64_t>(prefHoldButtonFlag));
    report.add("prefSuspendKeyStringRef", prefSuspendKeyStringRef);
    report.add("prefAuthenticationBooleanRef", prefAuthenticationBooleanRef);
    report.add("prefLoginNameStringRef", prefLoginNameStringRef);
    report.add("prefPasswordStringRef", prefPasswordStringRef);
    report.add("prefUserNumberStringRef", prefUserNumberStringRef);
    report.add("prefAccountNumberStringRef", prefAccountNumberStringRef);
    report.add("prefUserNameStringRef", prefUserNameStringRef);
    report.add("prefJobNameStringRef", prefJobNameStringRef);
    report.add("prefFolderPassStringRef", prefFolderPassStringRef);
    report.add("prefFolderNameStringRef", prefFolderNameStringRef);
    report.add("loginNameStringRef", loginNameStringRef);
    report.add("loginNameLockFlag", loginNameLockFlag);
    report.add("loginNameUnLockFlag", loginNameUnLockFlag);
    report.add("folderNameStringRef", folderNameStringRef);
    report.add("addressStringRef", addressStringRef);
    if (folderList) {
        std::vector<platform::FieldReport> entries;
        for (const FolderEntry& folder : *folderList) {
            platform::FieldReport entry;
            entry.add("name", folder.name);
            entry.add("password", folder.password);
            entry.add("dir", folder.dir);
            entry.add("add", folder.add);
            entries.push_back(entry);
        }
        report.add("folderList", entries);
    }
    // The host protocol's constant answers, asked as a host would.
    report.add("panelName", panelName());
    report.add("panelKind", panelKind());
    report.add("supportedPPDOptionKeys", supportedPPDOptionKeys());
}
