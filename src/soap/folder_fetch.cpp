// Fetching the printer's custom folders when the user presses the button, and telling the
// user when the printer cannot be reached.
#include "plugin/KorvanePrintPdeRk880JC.h"

#include "platform/notice.h"
#include "platform/trace.h"
#include "soap/KorvanePrintPdeRk880JCSOAPClient.h"
#include "soap/reply.h"

#include <string_view>

namespace {

constexpr const char* kServicePath = "/korvane-mfp-srv";

// The format's one object placeholder ("%@") filled with value, and "%%" read as "%".
std::string fillObjectPlaceholder(std::string_view format, std::string_view value)
{
    std::string result;
    bool filled = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == '%') {
                result += '%';
                ++i;
                continue;
            }
            if (format[i + 1] == '@' && !filled) {
                result += value;
                filled = true;
                ++i;
                continue;
            }
        }
        result += format[i];
    }
    return result;
}

// Starts or stops the spinning arrow, shown only while it spins.
void showActivity(platform::Progress& arrow, bool active)
{
    if (active)
        arrow.startAnimation();
    else
        arrow.stopAnimation();
    arrow.setHidden(!active);
}

// Hands the client's failure notice to the panel, whose declaration cannot know the client.
class PanelEndCallback final : public SOAPClientCallback {
public:
    explicit PanelEndCallback(KorvanePrintPdeRk880JC& panel) : panel_(panel) {}
    void recieveEndCallback() override { panel_.recieveEndCallback(); }

private:
    KorvanePrintPdeRk880JC& panel_;
};

}  // namespace

void KorvanePrintPdeRk880JC::getFolderNameButtonProc(const platform::Control& /*sender*/)
{
    _PDEProlog(this, "getFolderNameButtonProc:");
    if (!getFolderNameButton)
        return;
    // The wait below runs the event loop, so the button can be pressed again meanwhile.
    if (folderFetchGuard.isBusy())
        return;
    const std::string address = printersAddressEditText.stringValue().value_or("");
    std::string noReplyFile;
    const std::optional<std::string> replyPath = replyFilePath(&noReplyFile);
    if (!replyPath) {
        // A reply would have nowhere to go: nothing is sent, and the user hears why, once.
        platform::noticeToUser("Folder names cannot be fetched: the private temporary folder " + noReplyFile + ".");
    }
    if (!address.empty() && replyPath) {
        showActivity(chasingArrow, true);
        PanelEndCallback callback(*this);
        if (auto client =
                KorvanePrintPdeRk880JCSOAPClient::initWithServerName("http://" + address + kServicePath, &callback)) {
            if (folderFetchGuard.watchdogInterval)
                client->setWatchdogInterval(*folderFetchGuard.watchdogInterval);
            // The host may destroy the panel while the exchange waits; then nothing of it may
            // be touched again.
            if (!folderFetchGuard.run(*client, [&] { client->sendMessage(requestData); }))
                return;
        }
        showActivity(chasingArrow, false);
    }
    if (replyPath)
        parseXML(*replyPath);
    SaveFolderPreference();
    makeFolderPopup();
    _PDEEpilog(this, "getFolderNameButtonProc:=void");
}

void KorvanePrintPdeRk880JC::recieveEndCallback()
{
    const std::string format = pdeBundle.localizedString("Could not retrieve Folder Names.%@");
    const std::string button = pdeBundle.localizedString("OK");
    showActivity(chasingArrow, false);
    // Last: the host may close the dialog, and with it the panel, while the alert is up.
    if (pdePluginCallbackObject)
        pdePluginCallbackObject->presentInformationalAlert(fillObjectPlaceholder(format, ""), button);
}
