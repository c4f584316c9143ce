// The agent's notice that a job waits for its owner: the desktop's own notification
// (org.freedesktop.Notifications on the session bus) when the desktop offers one, else a small
// window of the agent's own at the screen's corner. Either offers to open the job's window
// again, for a user who closed it and lets the job wait.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <map>

class QDBusPendingCallWatcher;
class QVBoxLayout;

// The agent's own notice window: one line and an Open button for each waiting job.
class NoticeWindow : public QWidget {
    Q_OBJECT
public:
    NoticeWindow();
    void addJob(int jobId, const QString& text);
    void removeJob(int jobId);
    bool hasJob(int jobId) const { return rows_.count(jobId) != 0; }

signals:
    void openRequested(int jobId);

protected:
    // The notice grows and shrinks with its lines and keeps to its corner.
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeAtCorner();

    QVBoxLayout* rowsLayout_ = nullptr;
    std::map<int, QWidget*> rows_;
};

class AgentNotice : public QObject {
    Q_OBJECT
public:
    AgentNotice();
    ~AgentNotice() override;

    // Tells the user that the job waits; text names it ("Job 42 “Budget” on office").
    void jobWaits(int jobId, const QString& text);
    // The job no longer waits: its notice goes.
    void jobSettled(int jobId);
    // The agent's own window, when the desktop had no notification service for the notice.
    NoticeWindow* window() const { return window_; }

signals:
    void openRequested(int jobId);

private slots:
    void notificationAction(uint notificationId, const QString& action);
    void notificationClosed(uint notificationId, uint reason);

private:
    void showInOwnWindow(int jobId, const QString& text);
    void notified(int jobId, const QString& text, QDBusPendingCallWatcher* call);

    QPointer<NoticeWindow> window_;
    std::map<uint, int> jobOfNotification_;
    bool desktopRefused_ = false;  // once the desktop could not show one, the own window serves
};
