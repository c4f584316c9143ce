// The printer's operator panel on the HTTP port: an HTML page for people, JSON for scripts.
#pragma once

#include "http_request.h"
#include "http_response.h"
#include "job_store.h"

#include <QByteArray>

#include <optional>

namespace mfpsim {

class OperatorPanel {
public:
    // A panel over the store; without an administrator password only a job's PIN deletes it.
    OperatorPanel(JobStore& store, std::optional<QByteArray> adminPassword);

    static bool handlesPath(const QByteArray& path);
    HttpReply answer(const HttpRequest& request);

private:
    HttpReply answerJobAction(const HttpRequest& request, int id, const QByteArray& action);
    HttpReply answerRelease(const HttpRequest& request, int id);
    HttpReply answerDelete(const HttpRequest& request, int id);
    HttpReply actionReply(const HttpRequest& request, int status, int id, const QString& message) const;
    bool isAdministratorPassword(const QByteArray& typed) const;

    JobStore& store_;
    std::optional<QByteArray> adminPasswordDigest_;
};

QByteArray jobsJson(const JobStore& store);
QByteArray panelPage(const JobStore& store, const QString& notice, bool noticeIsError);

}  // namespace mfpsim
