#include "cups_events.h"

#include "cups_submit.h"

#include <cups/cups.h>

#include <QDBusMessage>
#include <QVariantList>

#include <memory>

namespace {

// What the subscription asks to be told: the job events the agent needs, and the printer
// events that desktops' print notifiers ask for, whose signals go out while this
// subscription's notifier is the one that sends.
const char* const kEvents[] = {"job-created",   "job-completed",   "job-stopped",          "job-state-changed",
                               "printer-added", "printer-deleted", "printer-state-changed"};

// What the subscription says of itself to an administrator who lists subscriptions.
constexpr char kUserData[] = "korvane-print --agent";

// The server itself, for a subscription to every queue.
constexpr const char* kServerURI = "ipp://localhost/";

// The positions of the job's values in a notifier's job signal: text, the printer's URI, name,
// state, state reasons and whether it accepts jobs come first.
constexpr int kPrinterNameArgument = 2;
constexpr int kJobIdArgument = 6;
constexpr int kJobStateArgument = 7;
constexpr int kJobReasonsArgument = 8;
constexpr int kJobSignalArguments = 11;

// A request about the subscription, made as the user who runs this program.
IppMessage subscriptionRequest(ipp_op_t operation, int id)
{
    IppMessage request(ippNewRequest(operation));
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, kServerURI);
    if (id > 0)
        ippAddInteger(request.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id", id);
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return request;
}

// Sends the request on the default connection; the response when cupsd did what it asks.
IppMessage send(IppMessage request)
{
    IppMessage response(cupsDoRequest(CUPS_HTTP_DEFAULT, request.release(), "/"));
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        return nullptr;
    return response;
}

}  // namespace

CupsEventSubscription::~CupsEventSubscription()
{
    cancel();
}

bool CupsEventSubscription::subscribe(std::string* error)
{
    IppMessage request = subscriptionRequest(IPP_OP_CREATE_PRINTER_SUBSCRIPTIONS, 0);
    ippAddString(request.get(), IPP_TAG_SUBSCRIPTION, IPP_TAG_URI, "notify-recipient-uri", nullptr, "dbus://");
    ippAddStrings(request.get(), IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-events",
                  static_cast<int>(std::size(kEvents)), nullptr, kEvents);
    ippAddInteger(request.get(), IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-lease-duration", kAgentLeaseSeconds);
    ippAddOctetString(request.get(), IPP_TAG_SUBSCRIPTION, "notify-user-data", kUserData, sizeof kUserData - 1);
    IppMessage response = send(std::move(request));
    ipp_attribute_t* id =
        response ? ippFindAttribute(response.get(), "notify-subscription-id", IPP_TAG_INTEGER) : nullptr;
    if (!id) {
        *error = std::string("cupsd did not let the agent subscribe to its job events: ") + cupsLastErrorString();
        return false;
    }
    id_ = ippGetInteger(id, 0);
    readLease();
    return true;
}

// cupsd may grant less than the lease asked for (its MaxLeaseDuration); it says so only when
// asked about the subscription.
void CupsEventSubscription::readLease()
{
    leaseSeconds_ = kAgentLeaseSeconds;
    IppMessage response = send(subscriptionRequest(IPP_OP_GET_SUBSCRIPTION_ATTRIBUTES, id_));
    ipp_attribute_t* lease =
        response ? ippFindAttribute(response.get(), "notify-lease-duration", IPP_TAG_INTEGER) : nullptr;
    if (lease)
        leaseSeconds_ = ippGetInteger(lease, 0);
}

bool CupsEventSubscription::renew()
{
    if (!isActive())
        return false;
    IppMessage request = subscriptionRequest(IPP_OP_RENEW_SUBSCRIPTION, id_);
    ippAddInteger(request.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-lease-duration", kAgentLeaseSeconds);
    if (!send(std::move(request))) {
        id_ = 0;
        return false;
    }
    readLease();
    return true;
}

void CupsEventSubscription::cancel()
{
    if (!isActive())
        return;
    send(subscriptionRequest(IPP_OP_CANCEL_SUBSCRIPTION, id_));
    id_ = 0;
}

std::optional<JobEvent> jobEventOf(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() != kJobSignalArguments)
        return std::nullopt;
    JobEvent event;
    event.jobId = static_cast<int>(arguments.at(kJobIdArgument).toUInt());
    event.state = static_cast<int>(arguments.at(kJobStateArgument).toUInt());
    event.reasons = arguments.at(kJobReasonsArgument).toString();
    event.printerName = arguments.at(kPrinterNameArgument).toString();
    if (event.jobId <= 0)
        return std::nullopt;
    return event;
}

bool mayWait(const JobEvent& event)
{
    if (event.state == IPP_JSTATE_STOPPED)
        return true;
    return event.state == IPP_JSTATE_HELD && event.reasons.split(',').contains("job-hold-until-specified");
}
