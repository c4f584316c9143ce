#include "platform/notice.h"

#include <QLoggingCategory>

namespace platform {

namespace {
Q_LOGGING_CATEGORY(noticeCategory, kNoticeCategory, QtWarningMsg)
}  // namespace

void noticeToUser(const std::string& message)
{
    qCWarning(noticeCategory).noquote() << QString::fromStdString(message);
}

}  // namespace platform
