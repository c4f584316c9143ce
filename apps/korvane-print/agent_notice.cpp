#include "agent_notice.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";

// Whether the user's session has a bus to ask: its address is set, or the session's runtime
// folder holds the bus socket. Without either, libdbus would start a bus of its own for the X
// display, which would outlive the agent.
bool sessionBusExists()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + "/bus");
}

}  // namespace

NoticeWindow::NoticeWindow() : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName("agentNotice");
    setWindowTitle(tr("Print jobs wait for you"));
    setAccessibleName(windowTitle());
    auto* layout = new QVBoxLayout(this);
    // The notice is as large as its lines, whatever they hold.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* heading = new QLabel(tr("<b>Print jobs wait for their job control settings</b>"), this);
    layout->addWidget(heading);
    rowsLayout_ = new QVBoxLayout;
    layout->addLayout(rowsLayout_);
    auto* dismiss = new QPushButton(tr("&Dismiss"), this);
    dismiss->setObjectName("dismissButton");
    dismiss->setToolTip(tr("Hide this notice; the jobs keep waiting."));
    connect(dismiss, &QPushButton::clicked, this, &QWidget::hide);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(dismiss);
    layout->addLayout(buttons);
}

void NoticeWindow::addJob(int jobId, const QString& text)
{
    if (hasJob(jobId))
        return;
    auto* row = new QWidget(this);
    row->setObjectName(QString("noticeJob%1").arg(jobId));
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(text, row);
    auto* open = new QPushButton(tr("Open"), row);
    open->setObjectName(QString("openJob%1").arg(jobId));
    open->setAccessibleName(tr("Open job %1").arg(jobId));
    connect(open, &QPushButton::clicked, this, [this, jobId] { emit openRequested(jobId); });
    line->addWidget(label, 1);
    line->addWidget(open);
    rowsLayout_->addWidget(row);
    rows_[jobId] = row;
    row->show();
    placeAtCorner();
    show();
}

void NoticeWindow::removeJob(int jobId)
{
    const auto found = rows_.find(jobId);
    if (found == rows_.end())
        return;
    delete found->second;
    rows_.erase(found);
    if (rows_.empty())
        hide();
}

void NoticeWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeAtCorner();
}

// At the top right of the screen, where desktops put their notifications.
void NoticeWindow::placeAtCorner()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.right() - width() - 16, area.top() + 16);
}

AgentNotice::AgentNotice()
{
    if (!sessionBusExists())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(kService, kPath, kInterface, "ActionInvoked", this, SLOT(notificationAction(uint, QString)));
    bus.connect(kService, kPath, kInterface, "NotificationClosed", this, SLOT(notificationClosed(uint, uint)));
}

AgentNotice::~AgentNotice()
{
    delete window_;
}

void AgentNotice::jobWaits(int jobId, const QString& text)
{
    if (desktopRefused_ || !sessionBusExists() || !QDBusConnection::sessionBus().isConnected()) {
        showInOwnWindow(jobId, text);
        return;
    }
    QDBusMessage notify = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
    const QStringList actions{"default", tr("Open"), "open", tr("Open")};
    notify << QString("korvane-print") << 0u << QString("printer") << tr("A print job waits for you")
           << tr("%1 waits for its job control settings.").arg(text) << actions << QVariantMap{{"category", "transfer"}}
           << 0;
    auto* call = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(notify), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, jobId, text](QDBusPendingCallWatcher* finished) { notified(jobId, text, finished); });
}

// The desktop's answer to a notice: its id, or an error that sends this and later notices to
// the own window.
void AgentNotice::notified(int jobId, const QString& text, QDBusPendingCallWatcher* call)
{
    call->deleteLater();
    const QDBusPendingReply<uint> reply = *call;
    if (reply.isError()) {
        desktopRefused_ = true;
        showInOwnWindow(jobId, text);
        return;
    }
    jobOfNotification_[reply.value()] = jobId;
}

void AgentNotice::showInOwnWindow(int jobId, const QString& text)
{
    if (!window_) {
        window_ = new NoticeWindow;
        connect(window_, &NoticeWindow::openRequested, this, &AgentNotice::openRequested);
    }
    window_->addJob(jobId, text);
}

void AgentNotice::jobSettled(int jobId)
{
    if (window_)
        window_->removeJob(jobId);
    for (auto it = jobOfNotification_.begin(); it != jobOfNotification_.end(); ++it) {
        if (it->second != jobId)
            continue;
        QDBusMessage close = QDBusMessage::createMethodCall(kService, kPath, kInterface, "CloseNotification");
        close << it->first;
        QDBusConnection::sessionBus().asyncCall(close);
        jobOfNotification_.erase(it);
        return;
    }
}

void AgentNotice::notificationAction(uint notificationId, const QString& /*action*/)
{
    const auto found = jobOfNotification_.find(notificationId);
    if (found != jobOfNotification_.end())
        emit openRequested(found->second);
}

void AgentNotice::notificationClosed(uint notificationId, uint /*reason*/)
{
    jobOfNotification_.erase(notificationId);
}
