// The printer's operator panel on the HTTP port: an HTML page for people, JSON for scripts.
#pragma once

#include "http_request.h"
#include "http_response.h"
#include "job_store.h"

namespace mfpsim {

class OperatorPanel {
public:
    explicit OperatorPanel(JobStore& store);

    static bool handlesPath(const QByteArray& path);
    HttpReply answer(const HttpRequest& request);

private:
    HttpReply answerJobAction(const HttpRequest& request, int id, const QByteArray& action);
    HttpReply actionReply(const HttpRequest& request, int status, int id, const QString& message) const;

    JobStore& store_;
};

QByteArray jobsJson(const JobStore& store);
QByteArray panelPage(const JobStore& store, const QString& notice, bool noticeIsError);

}  // namespace mfpsim
