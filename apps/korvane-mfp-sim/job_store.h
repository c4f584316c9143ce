// The printer's job store: held, printed and refused jobs, their documents, the accounts and the
// job log, kept in one folder so that a restart of the printer finds them again.
#pragma once

#include "job_rules.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

#include <memory>

class QTemporaryDir;
class QTemporaryFile;

namespace mfpsim {

enum class JobState { Held, Printed, Refused, Deleted, Locked };

// One job as the printer keeps it.
struct StoredJob {
    int id = 0;
    JobState state = JobState::Held;
    JobDescription description;
    QString reason;       // why it was refused, empty otherwise
    qint64 pages = 0;     // pages of the document
    int prints = 0;       // times it was printed
    int wrongPins = 0;    // wrong PINs typed since it was held
    QDateTime submitted;  // in UTC
};

// One line of the job log.
struct LogEntry {
    QDateTime time;  // in UTC
    QString text;
};

// What became of a release at the panel.
enum class ReleaseOutcome { Printed, WrongPin, Locked, NotHeld, Unknown, StoreFailed };

// What became of a delete at the panel.
enum class DeleteOutcome { Deleted, WrongPin, Locked, Unknown };

QString stateName(JobState state);

// Jobs, documents and counts in one folder:
//   DIR/jobs.json        the jobs, the accounts' page counts and the log (replaced atomically)
//   DIR/held/ID.pdf      documents of held (and locked) jobs until they are released or deleted
//   DIR/printed/ID.pdf   what was printed, byte for byte
//   DIR/incoming/        documents still arriving (cleared at start)
class JobStore {
public:
    static std::unique_ptr<JobStore> open(const QString& directory, QString* error);
    static std::unique_ptr<JobStore> openPrivate(QString* error);
    ~JobStore();

    std::unique_ptr<QTemporaryFile> newIncomingDocument() const;
    void admit(const JobDescription& description, QTemporaryFile& document);
    void refuse(const JobDescription& description, const QString& reason);
    ReleaseOutcome release(int id, const QByteArray& typedPin);
    DeleteOutcome removeWithPin(int id, const QByteArray& typedPin);
    DeleteOutcome removeAsAdministrator(int id);

    const QList<StoredJob>& jobs() const { return jobs_; }
    const StoredJob* job(int id) const;
    const QMap<QString, qint64>& accountPages() const { return accountPages_; }
    const QList<LogEntry>& log() const { return log_; }
    QString directory() const { return directory_; }

private:
    enum class PinCheck { Matches, Wrong, Locked };

    explicit JobStore(const QString& directory);

    bool load(QString* error);
    bool save();
    bool prepareFolders(QString* error) const;
    StoredJob* findJob(int id);
    PinCheck checkPin(StoredJob& job, const QByteArray& typedPin);
    void deleteJob(StoredJob& job);
    StoredJob& addJob(const JobDescription& description, JobState state);
    void forgetOldestFinishedJob();
    bool printJob(StoredJob& job);
    void addLog(const QString& text);
    QString heldPath(int id) const;
    QString printedPath(int id) const;

    QString directory_;
    std::unique_ptr<QTemporaryDir> privateDirectory_;  // when no folder was given
    QList<StoredJob> jobs_;
    QMap<QString, qint64> accountPages_;
    QList<LogEntry> log_;
    int nextId_ = 1;
};

}  // namespace mfpsim
