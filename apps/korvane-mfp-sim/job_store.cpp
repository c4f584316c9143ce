// Keeps the printer's jobs in its state folder: every change is written to jobs.json at once (a
// whole new file put in place by rename), and documents move between folders by rename, so a
// restart, or a crash, leaves either the old or the new state, never a torn one.
#include "job_store.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <unistd.h>

#include <algorithm>

#include <cstdio>

namespace mfpsim {

namespace {

constexpr char kStoreFile[] = "jobs.json";
constexpr qint64 kMaxStoreBytes = 64 * 1024 * 1024;
constexpr int kMaxLogEntries = 1000;
constexpr int kWrongPinsToLock = 5;
// Entries kept; beyond this the oldest finished ones (printed, refused, deleted) are forgotten,
// so a sender of endless broken jobs cannot grow the store without end.
constexpr int kMaxJobs = 10000;

constexpr struct {
    JobState state;
    const char* name;
} kStateNames[] = {
    {JobState::Held, "held"},       {JobState::Printed, "printed"}, {JobState::Refused, "refused"},
    {JobState::Deleted, "deleted"}, {JobState::Locked, "locked"},
};

// The state of a stored name; absent for a name the store never writes.
std::optional<JobState> stateOfName(const QString& name)
{
    for (const auto& entry : kStateNames) {
        if (name == QLatin1String(entry.name))
            return entry.state;
    }
    return std::nullopt;
}

// A job as it is written to the store, secrets' digest and spool time included.
QJsonObject storedForm(const StoredJob& job)
{
    const JobDescription& d = job.description;
    return QJsonObject{
        {"id", job.id},
        {"state", stateName(job.state)},
        {"name", d.name},
        {"user", d.user},
        {"retention", d.retention},
        {"filing", d.filing},
        {"folder", d.folder},
        {"account", d.account},
        {"pinDigest", QString::fromLatin1(d.pinDigest)},
        {"spoolTime", QString::fromLatin1(d.spoolTime.toHex())},
        {"reason", job.reason},
        {"pages", job.pages},
        {"prints", job.prints},
        {"wrongPins", job.wrongPins},
        {"submitted", job.submitted.toString(Qt::ISODate)},
    };
}

// A job read back from the store; absent when the entry is damaged.
std::optional<StoredJob> jobOfStoredForm(const QJsonObject& object)
{
    StoredJob job;
    job.id = object.value("id").toInt();
    const std::optional<JobState> state = stateOfName(object.value("state").toString());
    if (job.id <= 0 || !state)
        return std::nullopt;
    job.state = *state;
    JobDescription& d = job.description;
    d.name = object.value("name").toString();
    d.user = object.value("user").toString();
    d.retention = object.value("retention").toString();
    d.filing = object.value("filing").toString();
    d.folder = object.value("folder").toString();
    d.account = object.value("account").toString();
    d.pinDigest = object.value("pinDigest").toString().toLatin1();
    d.spoolTime = QByteArray::fromHex(object.value("spoolTime").toString().toLatin1());
    job.reason = object.value("reason").toString();
    job.pages = object.value("pages").toInteger();
    job.prints = object.value("prints").toInt();
    job.wrongPins = object.value("wrongPins").toInt();
    job.submitted = QDateTime::fromString(object.value("submitted").toString(), Qt::ISODate);
    return job;
}

// Copies a file to dest through a temporary file that replaces dest only when it is complete.
bool copyWhole(const QString& source, const QString& dest)
{
    QFile in(source);
    QSaveFile out(dest);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk;
    while (!(chunk = in.read(1024 * 1024)).isEmpty()) {
        if (out.write(chunk) != chunk.size())
            return false;
    }
    return in.error() == QFile::NoError && out.commit();
}

// A short, quoted form of a job's name for the log.
QString logName(const StoredJob& job)
{
    return QStringLiteral("job %1 \"%2\" of %3")
        .arg(QString::number(job.id), job.description.name.left(80), job.description.user.left(80));
}

}  // namespace

// The name of a state as the panel and /jobs show it.
QString stateName(JobState state)
{
    for (const auto& entry : kStateNames) {
        if (entry.state == state)
            return QLatin1String(entry.name);
    }
    return {};
}

JobStore::JobStore(const QString& directory) : directory_(directory) {}

JobStore::~JobStore() = default;

// Opens (or starts) the store in directory; nothing when it cannot be read or made.
std::unique_ptr<JobStore> JobStore::open(const QString& directory, QString* error)
{
    std::unique_ptr<JobStore> store(new JobStore(QDir(directory).absolutePath()));
    if (!store->prepareFolders(error) || !store->load(error))
        return nullptr;
    return store;
}

// Opens a store in a private temporary folder that goes with the store.
std::unique_ptr<JobStore> JobStore::openPrivate(QString* error)
{
    auto directory = std::make_unique<QTemporaryDir>(QDir::temp().filePath("korvane-mfp-sim-XXXXXX"));
    if (!directory->isValid()) {
        *error = QStringLiteral("cannot make a temporary state folder: %1").arg(directory->errorString());
        return nullptr;
    }
    std::unique_ptr<JobStore> store = open(directory->path(), error);
    if (store)
        store->privateDirectory_ = std::move(directory);
    return store;
}

// Makes the store's folders (private to the user) and drops documents a stop cut short.
bool JobStore::prepareFolders(QString* error) const
{
    const QDir top(directory_);
    for (const char* sub : {"", "held", "printed", "incoming"}) {
        const QString path = top.filePath(QLatin1String(sub));
        if (!QDir().mkpath(path) ||
            !QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
            *error = QStringLiteral("cannot make the state folder %1").arg(path);
            return false;
        }
    }
    QDir incoming(top.filePath("incoming"));
    for (const QString& name : incoming.entryList(QDir::Files | QDir::Hidden))
        incoming.remove(name);
    return true;
}

// Reads jobs.json when there is one; false, with the reason, when it is damaged.
bool JobStore::load(QString* error)
{
    QFile file(QDir(directory_).filePath(kStoreFile));
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxStoreBytes) {
        *error = QStringLiteral("cannot read %1 (or it is over %2 bytes)")
                     .arg(file.fileName(), QString::number(kMaxStoreBytes));
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!document.isObject()) {
        *error = QStringLiteral("%1 is damaged: %2").arg(file.fileName(), parseError.errorString());
        return false;
    }
    const QJsonObject top = document.object();
    for (const QJsonValue& value : top.value("jobs").toArray()) {
        const std::optional<StoredJob> job = jobOfStoredForm(value.toObject());
        if (!job) {
            *error = QStringLiteral("%1 is damaged: a job without id or state").arg(file.fileName());
            return false;
        }
        jobs_.append(*job);
        nextId_ = std::max(nextId_, job->id + 1);
    }
    const QJsonObject accounts = top.value("accounts").toObject();
    for (auto it = accounts.begin(); it != accounts.end(); ++it)
        accountPages_.insert(it.key(), it.value().toInteger());
    for (const QJsonValue& value : top.value("log").toArray()) {
        const QJsonObject entry = value.toObject();
        log_.append(
            {QDateTime::fromString(entry.value("time").toString(), Qt::ISODate), entry.value("text").toString()});
    }
    return true;
}

// Writes the whole store to a new jobs.json that replaces the old one; false when it could not.
bool JobStore::save()
{
    QJsonArray jobs;
    for (const StoredJob& job : jobs_)
        jobs.append(storedForm(job));
    QJsonObject accounts;
    for (auto it = accountPages_.begin(); it != accountPages_.end(); ++it)
        accounts.insert(it.key(), it.value());
    QJsonArray log;
    for (const LogEntry& entry : log_)
        log.append(QJsonObject{{"time", entry.time.toString(Qt::ISODate)}, {"text", entry.text}});
    const QByteArray bytes = QJsonDocument(QJsonObject{{"jobs", jobs}, {"accounts", accounts}, {"log", log}})
                                 .toJson(QJsonDocument::Indented);
    QSaveFile file(QDir(directory_).filePath(kStoreFile));
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    std::fprintf(stderr, "korvane-mfp-sim: cannot write %s: %s\n", qPrintable(file.fileName()),
                 qPrintable(file.errorString()));
    return false;
}

// A new, open file in incoming/ for a document that starts to arrive; nothing when none can be made.
std::unique_ptr<QTemporaryFile> JobStore::newIncomingDocument() const
{
    auto file = std::make_unique<QTemporaryFile>(QDir(directory_).filePath("incoming/job-XXXXXX.part"));
    if (!file->open())
        return nullptr;
    return file;
}

// Takes a complete, authenticated job: holds it, prints it, or both, as its retention says.
void JobStore::admit(const JobDescription& description, QTemporaryFile& document)
{
    document.flush();
    ::fsync(document.handle());
    StoredJob& job = addJob(description, JobState::Held);
    // The document prints as it came whatever it is; a print costs at least one sheet.
    const std::optional<qint64> pages = countPdfPages(document.fileName());
    job.pages = pages.value_or(1);
    if (!pages)
        addLog(logName(job) + QStringLiteral(": its pages cannot be counted; 1 page is charged for each print"));
    const QString retention = description.retention;
    const bool holds = retention == u"HOLD" || retention == u"HOLDAFTERPRINT" || retention == u"SAMPLE";
    // A renamed temporary file is still removed with its object unless told otherwise.
    const bool stored = document.rename(holds ? heldPath(job.id) : printedPath(job.id));
    if (stored)
        document.setAutoRemove(false);
    if (!stored) {
        job.state = JobState::Refused;
        job.reason = QStringLiteral("the printer cannot store the document");
        addLog(logName(job) + QStringLiteral(" refused: ") + job.reason);
    } else if (!holds) {
        job.state = JobState::Printed;
        job.prints = 1;
        if (!job.description.account.isEmpty())
            accountPages_[job.description.account] += job.pages;
        addLog(logName(job) + QStringLiteral(" printed, %1 page(s)").arg(job.pages));
    } else {
        addLog(logName(job) + QStringLiteral(" held (%1)").arg(retention));
        if (retention != u"HOLD")
            printJob(job);
    }
    save();
}

// Records a job that may not print, with the reason; its document is never kept.
void JobStore::refuse(const JobDescription& description, const QString& reason)
{
    StoredJob& job = addJob(description, JobState::Refused);
    job.reason = reason;
    addLog(logName(job) + QStringLiteral(" refused: ") + reason);
    save();
}

// Releases a held job with the PIN typed at the panel; five wrong PINs lock it.
ReleaseOutcome JobStore::release(int id, const QByteArray& typedPin)
{
    StoredJob* job = findJob(id);
    if (!job || job->state == JobState::Deleted)
        return ReleaseOutcome::Unknown;
    if (job->state == JobState::Locked)
        return ReleaseOutcome::Locked;
    if (job->state != JobState::Held)
        return ReleaseOutcome::NotHeld;
    switch (checkPin(*job, typedPin)) {
    case PinCheck::Wrong:
        return ReleaseOutcome::WrongPin;
    case PinCheck::Locked:
        return ReleaseOutcome::Locked;
    case PinCheck::Matches:
        break;
    }
    if (!printJob(*job)) {
        save();
        return ReleaseOutcome::StoreFailed;
    }
    // Hold after print keeps the job for another print; the others are done once released.
    if (job->description.retention != u"HOLDAFTERPRINT") {
        job->state = JobState::Printed;
        QFile::remove(heldPath(job->id));
    }
    save();
    return ReleaseOutcome::Printed;
}

// Deletes a job for whoever types its PIN; wrong PINs count towards the lock as at a release,
// so a delete is no way round the five tries.
DeleteOutcome JobStore::removeWithPin(int id, const QByteArray& typedPin)
{
    StoredJob* job = findJob(id);
    if (!job || job->state == JobState::Deleted)
        return DeleteOutcome::Unknown;
    switch (checkPin(*job, typedPin)) {
    case PinCheck::Wrong:
        return DeleteOutcome::WrongPin;
    case PinCheck::Locked:
        return DeleteOutcome::Locked;
    case PinCheck::Matches:
        break;
    }
    deleteJob(*job);
    return DeleteOutcome::Deleted;
}

// Deletes any job, a locked one too: the administrator needs no PIN.
DeleteOutcome JobStore::removeAsAdministrator(int id)
{
    StoredJob* job = findJob(id);
    if (!job || job->state == JobState::Deleted)
        return DeleteOutcome::Unknown;
    deleteJob(*job);
    return DeleteOutcome::Deleted;
}

// Checks a PIN typed for a job. A wrong one counts for a held job, and the fifth locks it; a
// locked job takes no PIN any more, not even its own.
JobStore::PinCheck JobStore::checkPin(StoredJob& job, const QByteArray& typedPin)
{
    if (job.state == JobState::Locked)
        return PinCheck::Locked;
    if (pinMatchesDigest(typedPin, job.description.spoolTime, job.description.pinDigest)) {
        job.wrongPins = 0;
        return PinCheck::Matches;
    }
    if (job.state != JobState::Held)
        return PinCheck::Wrong;
    ++job.wrongPins;
    const bool locks = job.wrongPins >= kWrongPinsToLock;
    if (locks)
        job.state = JobState::Locked;
    addLog(logName(job) +
           (locks ? QStringLiteral(": wrong PIN %1 times, locked").arg(job.wrongPins) : QStringLiteral(": wrong PIN")));
    save();
    return locks ? PinCheck::Locked : PinCheck::Wrong;
}

// Deletes a job: its held document goes, its entry stays as "deleted".
void JobStore::deleteJob(StoredJob& job)
{
    QFile::remove(heldPath(job.id));
    job.state = JobState::Deleted;
    addLog(logName(job) + QStringLiteral(" deleted"));
    save();
}

// The job with that id, or nothing.
const StoredJob* JobStore::job(int id) const
{
    for (const StoredJob& job : jobs_) {
        if (job.id == id)
            return &job;
    }
    return nullptr;
}

// The job with that id to change, or nothing.
StoredJob* JobStore::findJob(int id)
{
    return const_cast<StoredJob*>(std::as_const(*this).job(id));
}

// Adds a new job with the next id.
StoredJob& JobStore::addJob(const JobDescription& description, JobState state)
{
    StoredJob job;
    job.id = nextId_++;
    job.state = state;
    job.description = description;
    job.submitted = QDateTime::currentDateTimeUtc();
    forgetOldestFinishedJob();
    jobs_.append(job);
    return jobs_.last();
}

// Forgets the oldest job that is no longer held once the store is full; held ones are never forgotten.
void JobStore::forgetOldestFinishedJob()
{
    if (jobs_.size() < kMaxJobs)
        return;
    const auto finished = std::find_if(jobs_.begin(), jobs_.end(), [](const StoredJob& job) {
        return job.state != JobState::Held && job.state != JobState::Locked;
    });
    if (finished != jobs_.end())
        jobs_.erase(finished);
}

// Prints a held job again: its document to printed/, its pages to its account.
bool JobStore::printJob(StoredJob& job)
{
    if (!copyWhole(heldPath(job.id), printedPath(job.id))) {
        addLog(logName(job) + QStringLiteral(": cannot write the printed document"));
        return false;
    }
    ++job.prints;
    if (!job.description.account.isEmpty())
        accountPages_[job.description.account] += job.pages;
    addLog(logName(job) + QStringLiteral(" printed, %1 page(s)").arg(job.pages));
    return true;
}

// Adds a line to the log, keeping the newest lines.
void JobStore::addLog(const QString& text)
{
    log_.append({QDateTime::currentDateTimeUtc(), text});
    if (log_.size() > kMaxLogEntries)
        log_.remove(0, log_.size() - kMaxLogEntries);
}

QString JobStore::heldPath(int id) const
{
    return QDir(directory_).filePath(QStringLiteral("held/%1.pdf").arg(id));
}

QString JobStore::printedPath(int id) const
{
    return QDir(directory_).filePath(QStringLiteral("printed/%1.pdf").arg(id));
}

}  // namespace mfpsim
