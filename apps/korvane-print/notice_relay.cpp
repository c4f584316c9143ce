#include "notice_relay.h"

#include "host_report.h"
#include "platform/notice.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <cstring>

namespace {

// The toolkit's message handler is process-wide, so the relay it calls is too.
NoticeRelay* activeRelay = nullptr;
std::function<void(const QString&)>* activeShow = nullptr;
QtMessageHandler previousHandler = nullptr;

// Sends notes to standard error and the relay's display; everything else on as before.
void relayMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const bool notice = context.category && std::strcmp(context.category, platform::kNoticeCategory) == 0;
    if (!notice) {
        if (previousHandler)
            previousHandler(type, context, message);
        return;
    }
    reportLine("note", message.toStdString());
    const bool onMainThread = QCoreApplication::instance() && QThread::currentThread() == qApp->thread();
    if (activeShow && *activeShow && onMainThread)
        (*activeShow)(message);
}

}  // namespace

NoticeRelay::NoticeRelay(std::function<void(const QString&)> show) : show_(std::move(show))
{
    activeRelay = this;
    activeShow = &show_;
    previousHandler = qInstallMessageHandler(relayMessage);
}

NoticeRelay::~NoticeRelay()
{
    if (activeRelay != this)
        return;
    qInstallMessageHandler(previousHandler);
    activeRelay = nullptr;
    activeShow = nullptr;
    previousHandler = nullptr;
}
