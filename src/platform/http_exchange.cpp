#include "platform/http_exchange.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace platform {

namespace {

// How much the layer may hold unread between two deliveries; it stops reading the socket
// beyond that, so a fast sender cannot grow the layer's own buffer without bound.
constexpr qint64 kReadBufferBytes = 1024 * 1024;

// Whether the layer's error only reflects the HTTP status of a response that did arrive
// whole (404, 500 and the like), as opposed to a transfer that broke off.
bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentOperationNotPermittedError:
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::AuthenticationRequiredError:
    case QNetworkReply::ContentReSendError:
    case QNetworkReply::ContentConflictError:
    case QNetworkReply::ContentGoneError:
    case QNetworkReply::UnknownContentError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::InternalServerError:
    case QNetworkReply::OperationNotImplementedError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError:
        return true;
    default:
        return false;
    }
}

// Whether a finished reply carries a complete response.
bool hasCompleteResponse(const QNetworkReply& reply)
{
    if (!reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return false;
    return reply.error() == QNetworkReply::NoError || isHttpStatusError(reply.error());
}

// The request for a POST: headers in the caller's order, no cache, no redirects.
QNetworkRequest requestFor(const HttpPost& post)
{
    QNetworkRequest request(QUrl(QString::fromStdString(post.url), QUrl::StrictMode));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(static_cast<int>(post.transferTimeout.count()));
    for (const auto& [name, value] : post.headers)
        request.setRawHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
    return request;
}

}  // namespace

struct HttpExchange::Impl {
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply;
    HttpExchangeDelegate* delegate = nullptr;

    // Hands what the layer holds of the body to the delegate.
    void deliverData()
    {
        const QByteArray bytes = reply->readAll();
        if (!bytes.isEmpty())
            delegate->exchangeDidReceiveData(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }

    // Tells the delegate how the reply ended, once.
    void deliverEnd()
    {
        deliverData();
        // The delegate may have cancelled while it took the last bytes.
        if (reply->signalsBlocked())
            return;
        const bool complete = hasCompleteResponse(*reply);
        QObject::disconnect(reply.get(), nullptr, nullptr, nullptr);
        if (complete)
            delegate->exchangeDidFinish();
        else
            delegate->exchangeDidFail();
    }

    // Wires the reply's signals to the delegate.
    void connectReply()
    {
        QNetworkReply* r = reply.get();
        QObject::connect(r, &QNetworkReply::metaDataChanged, r, [this] { delegate->exchangeDidReceiveResponse(); });
        QObject::connect(r, &QNetworkReply::readyRead, r, [this] { deliverData(); });
        QObject::connect(r, &QNetworkReply::finished, r, [this] { deliverEnd(); });
    }
};

HttpExchange::HttpExchange(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<HttpExchange> HttpExchange::start(const HttpPost& post, HttpExchangeDelegate& delegate)
{
    if (!isAbsoluteURL(post.url))
        return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->delegate = &delegate;
    // A printer on the local network is reached directly, never through a proxy.
    impl->manager.setProxy(QNetworkProxy::NoProxy);
    const QByteArray body(post.body.data(), static_cast<qsizetype>(post.body.size()));
    impl->reply.reset(impl->manager.post(requestFor(post), body));
    if (!impl->reply)
        return nullptr;
    impl->reply->setReadBufferSize(kReadBufferBytes);
    impl->connectReply();
    return std::unique_ptr<HttpExchange>(new HttpExchange(std::move(impl)));
}

HttpExchange::~HttpExchange() { cancel(); }

void HttpExchange::cancel()
{
    if (!impl_->reply)
        return;
    // Silence first: aborting reports the end synchronously, and the delegate asked for quiet.
    QObject::disconnect(impl_->reply.get(), nullptr, nullptr, nullptr);
    impl_->reply->blockSignals(true);
    if (impl_->reply->isRunning())
        impl_->reply->abort();
}

bool isAbsoluteURL(const std::string& text)
{
    const QUrl url(QString::fromStdString(text), QUrl::StrictMode);
    return url.isValid() && !url.isRelative() && !url.host().isEmpty();
}

}  // namespace platform
