#include "korvane-print/host_harness.h"

#include "crypto/seal.h"
#include "settings/sealed_options.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

namespace host_testing {

namespace {

struct HttpCloser {
    void operator()(http_t* http) const { httpClose(http); }
};
struct IppDeleter {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};

// A port on 127.0.0.1 that nothing listens on at the moment of asking.
int freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

bool makeFolder(const QString& path, QFile::Permissions permissions)
{
    return QDir().mkpath(path) && QFile::setPermissions(path, permissions);
}

const QFile::Permissions kOpenFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                       QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
const QFile::Permissions kRunnableByAll = kOpenFolder;

// Whether user lp, as whom cupsd runs its children when started by root, can enter the folder:
// asked of the system as lp itself, so that its groups and the folders' modes all count.
bool lpCanEnter(const std::string& folder)
{
    return runProgram("setpriv", {"--reuid=lp", "--regid=lp", "--init-groups", "test", "-x", folder}).exitCode == 0;
}

// The filter of the test queue: it keeps what cupsd hands it and swallows the document.
const char* kRecordingFilter = R"(#!/bin/sh
# Records the job's title, copies and options as a filter receives them.
rec="@RECORDS@"
printf '%s' "$3" > "$rec/job-$1.title"
printf '%s' "$4" > "$rec/job-$1.copies"
printf '%s' "$5" > "$rec/job-$1.options"
cat > /dev/null
echo document >> "$rec/job-$1.docs"
exit 0
)";

// The server-wide rules of Debian's stock cupsd.conf that go with its default policy: anyone
// on this machine may print and list jobs, administration needs an authenticated member of the
// system group (root proves it with the server's certificate, adminEnvironment()).
const char* const kDebianDefaultAccess =
    "ErrorPolicy retry-job\n"
    "DefaultAuthType Basic\n"
    "<Location />\n  Order allow,deny\n</Location>\n"
    "<Location /admin>\n  Order allow,deny\n</Location>\n";

// A policy that lets everyone do and see everything without authenticating.
const char* const kOpenPolicy =
    "DefaultAuthType None\n"
    "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
    "<Policy default>\n"
    "  JobPrivateAccess all\n  JobPrivateValues none\n"
    "  SubscriptionPrivateAccess all\n  SubscriptionPrivateValues none\n"
    "  <Limit All>\n    Order deny,allow\n  </Limit>\n"
    "</Policy>\n";

// The configuration that Debian's cups-daemon installs as /etc/cups/cupsd.conf.
const char* const kDebianDefaultConfiguration = "/usr/share/cups/cupsd.conf.default";

// The <Policy default> block of Debian's stock configuration, as it stands there; empty when
// it cannot be read.
std::string debianDefaultPolicy()
{
    const std::string stock = readFile(kDebianDefaultConfiguration);
    const std::size_t start = stock.find("<Policy default>");
    const std::size_t end = stock.find("</Policy>", start);
    if (start == std::string::npos || end == std::string::npos)
        return {};
    return stock.substr(start, end - start) + "</Policy>\n";
}

// The line of cups-files.conf (cupsd ignores it in cupsd.conf) that gives cupsd's filters and
// driver programs the server's seal key folder.
std::string sealKeyEnvironment(const std::string& folder)
{
    return "SetEnv KORVANE_JOB_SEAL_DIR " + folder + "\n";
}

}  // namespace

std::string hostProgram()
{
    return KORVANE_TEST_BIN_DIR "/korvane-print";
}

bool writeFile(const std::string& path, const std::string& contents)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(contents.data(), static_cast<qint64>(contents.size())) == static_cast<qint64>(contents.size());
}

std::string readFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

std::string minimalPdf()
{
    return "%PDF-1.4\n"
           "1 0 obj <</Type /Catalog /Pages 2 0 R>> endobj\n"
           "2 0 obj <</Type /Pages /Kids [3 0 R] /Count 1>> endobj\n"
           "3 0 obj <</Type /Page /Parent 2 0 R /MediaBox [0 0 595 842]>> endobj\n"
           "trailer <</Root 1 0 R>>\n"
           "%%EOF\n";
}

std::optional<int> sentJobId(const std::string& hostOutput)
{
    const QRegularExpression pattern("sent job (\\d+) to ");
    const auto match = pattern.match(QString::fromStdString(hostOutput));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

std::map<std::string, std::string> productOptions(const FilterRecord& record,
                                                  const std::map<std::string, std::string>& settings)
{
    std::map<std::string, std::string> chosen;
    for (const auto& [name, value] : record.options)
        if (settings.count(name) || name.rfind("korvane.", 0) == 0)
            chosen[name] = value;
    return chosen;
}

ScratchCupsd::ScratchCupsd(CupsdPolicy policy, std::string systemBusAddress)
    : policy_(policy), systemBusAddress_(std::move(systemBusAddress))
{
    if (!root_.isValid()) {
        error_ = "cannot make a temporary folder for cupsd";
        return;
    }
    port_ = freeLoopbackPort();
    if (port_ == 0) {
        error_ = "no free port on 127.0.0.1 for cupsd";
        return;
    }
    if (writeConfiguration() && provideSealKeys())
        start();
}

ScratchCupsd::~ScratchCupsd()
{
    if (cupsd_ && cupsd_->state() != QProcess::NotRunning) {
        cupsd_->terminate();
        if (!cupsd_->waitForFinished(10000)) {
            cupsd_->kill();
            cupsd_->waitForFinished(5000);
        }
    }
}

std::string ScratchCupsd::server() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

// Lays out the server's folders and its two configuration files. Filters run as user lp, so
// the folders on their way and the record folder are open to it; the logs, which hold a failed
// job's options, are not.
bool ScratchCupsd::writeConfiguration()
{
    const QString root = root_.path();
    bool made = QFile::setPermissions(root, kOpenFolder);
    for (const char* folder : {"etc", "spool", "spool/tmp", "run", "cache", "log", "filter"})
        made = made && makeFolder(root + "/" + folder, kOpenFolder);
    made = made && makeFolder(root + "/records", kOpenFolder | QFile::WriteGroup | QFile::WriteOther) &&
           ::chmod((root + "/records").toLocal8Bit().constData(), 01777) == 0;
    if (!made) {
        error_ = "cannot lay out the folders of cupsd under " + root.toStdString();
        return false;
    }
    const std::string dir = root.toStdString();
    if (::geteuid() == 0 && !lpCanEnter(dir + "/filter")) {
        error_ = "user lp, who runs cupsd's filters, cannot enter " + dir +
                 ": set TMPDIR to a folder every user can enter, such as /tmp";
        return false;
    }
    const std::string stockPolicy = policy_ == CupsdPolicy::DebianDefault ? debianDefaultPolicy() : std::string();
    const std::string policy = policy_ == CupsdPolicy::DebianDefault ? kDebianDefaultAccess + stockPolicy : kOpenPolicy;
    if (policy_ == CupsdPolicy::DebianDefault && stockPolicy.empty()) {
        error_ = std::string("cannot read Debian's default policy from ") + kDebianDefaultConfiguration +
                 " (the cups-daemon package ships it)";
        return false;
    }
    const std::string cupsdConf = "Listen 127.0.0.1:" + std::to_string(port_) +
                                  "\n"
                                  "LogLevel warn\n"
                                  "Browsing Off\n"
                                  "WebInterface No\n"
                                  "MaxRequestSize 1m\n" +
                                  policy;
    const std::string filesConf =
        "ServerRoot " + dir + "/etc\n" + "RequestRoot " + dir + "/spool\n" + "TempDir " + dir + "/spool/tmp\n" +
        "StateDir " + dir + "/run\n" + "CacheDir " + dir + "/cache\n" + "ErrorLog " + dir + "/log/error_log\n" +
        "AccessLog " + dir + "/log/access_log\n" + "PageLog " + dir + "/log/page_log\n" + "LogFilePerm 0600\n" +
        "Printcap " + dir + "/run/printcap\n" + "FileDevice Yes\nUser lp\nGroup lp\nSystemGroup root\n" +
        sealKeyEnvironment(sealKeyFolder()) +
        (systemBusAddress_.empty() ? std::string() : "SetEnv DBUS_SYSTEM_BUS_ADDRESS " + systemBusAddress_ + "\n");
    std::string filter = kRecordingFilter;
    filter.replace(filter.find("@RECORDS@"), 9, dir + "/records");
    const std::string filterPath = dir + "/filter/record";
    if (!writeFile(dir + "/cupsd.conf", cupsdConf) || !writeFile(dir + "/cups-files.conf", filesConf) ||
        !writeFile(filterPath, filter) || ::chmod(filterPath.c_str(), 0755) != 0) {
        error_ = "cannot write the configuration of cupsd under " + dir;
        return false;
    }
    return true;
}

// Makes the server's seal key pair as the package's installation does: the private key
// readable by root and the filters' user lp only.
bool ScratchCupsd::provideSealKeys()
{
    const ProcessResult made = runProgram(KORVANE_TEST_BIN_DIR "/korvane-seal-key", {"--create", sealKeyFolder()});
    if (made.exitCode != 0) {
        error_ = "cannot make the seal key pair of cupsd: " + made.err;
        return false;
    }
    return true;
}

// Starts cupsd in the foreground and waits until it takes connections.
bool ScratchCupsd::start()
{
    const QString root = root_.path();
    cupsd_ = std::make_unique<QProcess>();
    cupsd_->setProcessChannelMode(QProcess::MergedChannels);
    cupsd_->start("cupsd", {"-f", "-c", root + "/cupsd.conf", "-s", root + "/cups-files.conf"});
    if (!cupsd_->waitForStarted(10000)) {
        error_ = "cannot run cupsd: " + cupsd_->errorString().toStdString() +
                 " (install the cups package: scripts/setup-debian.sh)";
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 15000) {
        if (cupsd_->state() == QProcess::NotRunning) {
            error_ = "cupsd stopped at once (it needs root): " + cupsd_->readAll().toStdString() +
                     readFile(root_.path().toStdString() + "/log/error_log");
            return false;
        }
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port_));
        if (probe.waitForConnected(200))
            return true;
        QTest::qWait(100);
    }
    error_ = "cupsd did not listen on " + server() + " within 15 s";
    return false;
}

// User lp runs cupsd's filters and may not enter the folder the build lives in (a checkout in a
// home folder of mode 0700), so a built program runs from a copy in the server's own folder.
std::optional<std::string> ScratchCupsd::installProgram(const std::string& builtPath) const
{
    const QString copy = root_.path() + "/filter/" + QFileInfo(QString::fromStdString(builtPath)).fileName();
    QFile::remove(copy);
    if (!QFile::copy(QString::fromStdString(builtPath), copy) || !QFile::setPermissions(copy, kRunnableByAll))
        return std::nullopt;
    return copy.toStdString();
}

namespace {

// The PPD text with its filter line replaced by line; nothing when it names no filter.
std::optional<std::string> ppdWithFilter(std::string ppd, const std::string& line)
{
    const std::size_t start = ppd.find("*cupsFilter2:");
    if (start == std::string::npos)
        return std::nullopt;
    const std::size_t end = ppd.find('\n', start);
    ppd.replace(start, end - start, line);
    return ppd;
}

// The text without its line ends.
std::string trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

}  // namespace

std::optional<std::string> ScratchCupsd::addQueue(const std::string& name, const std::string& deviceURI,
                                                  const std::string& filterLine, const std::string& ppd)
{
    const std::optional<std::string> queuePpdText = ppdWithFilter(ppd, filterLine);
    if (!queuePpdText)
        return "the PPD of " + name + " names no filter to replace";
    const std::string queuePpd = folder() + "/" + name + ".ppd";
    if (!writeFile(queuePpd, *queuePpdText))
        return "cannot write " + queuePpd;
    const ProcessResult added =
        runProgram("lpadmin", {"-h", server(), "-p", name, "-E", "-v", deviceURI, "-P", queuePpd}, adminEnvironment());
    if (added.exitCode != 0)
        return "lpadmin could not add " + name + ": " + added.err;
    return std::nullopt;
}

std::optional<std::string> ScratchCupsd::addRecordingQueue(const std::string& name, const std::string& ppdPath,
                                                           SealKey sealKey)
{
    std::string ppd = readFile(ppdPath);
    if (sealKey == SealKey::Carried)
        ppd += "*KorvaneJobSealKey: \"" + trimmed(readFile(sealKeyFolder() + "/job-seal.pub")) + "\"\n";
    return addQueue(name, "file:///dev/null",
                    "*cupsFilter2: \"application/pdf application/vnd.korvane-record 0 " + folder() + "/filter/record\"",
                    ppd);
}

std::optional<std::string> ScratchCupsd::addFilterQueue(const std::string& name, const std::string& deviceURI)
{
    // The model's PPD as its driver program gives it to lpadmin -m, with this server's key.
    const ProcessResult model = runProgram(KORVANE_TEST_BIN_DIR "/driver/korvane", {"cat", "korvane:///rk880.ppd"},
                                           {{"KORVANE_JOB_SEAL_DIR", sealKeyFolder()}});
    if (model.exitCode != 0)
        return "the driver program gave no PPD: " + model.err;
    // The installed PPD names the filter by its name in cupsd's ServerBin; this cupsd runs a
    // copy of the built one by its path.
    const std::optional<std::string> filter = installProgram(KORVANE_TEST_BIN_DIR "/korvane-jobcontrol");
    if (!filter)
        return "cannot copy the filter korvane-jobcontrol into " + folder() + "/filter";
    return addQueue(name, deviceURI, "*cupsFilter2: \"application/pdf application/vnd.korvane-jc 0 " + *filter + "\"",
                    model.out);
}

std::optional<std::string> ScratchCupsd::addRawQueue(const std::string& name)
{
    const ProcessResult added =
        runProgram("lpadmin", {"-h", server(), "-p", name, "-E", "-v", "file:///dev/null"}, adminEnvironment());
    if (added.exitCode != 0)
        return "lpadmin could not add " + name + ": " + added.err;
    return std::nullopt;
}

std::optional<FilterRecord> ScratchCupsd::waitForRecord(int jobId, int documents, int timeoutMs) const
{
    const std::string base = folder() + "/records/job-" + std::to_string(jobId);
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const std::string docs = readFile(base + ".docs");
        const int seen = static_cast<int>(std::count(docs.begin(), docs.end(), '\n'));
        if (seen >= documents) {
            FilterRecord record;
            record.documents = seen;
            record.title = readFile(base + ".title");
            record.copies = readFile(base + ".copies");
            record.rawOptions = readFile(base + ".options");
            cups_option_t* options = nullptr;
            const int count = cupsParseOptions(record.rawOptions.c_str(), 0, &options);
            for (int i = 0; i < count; ++i)
                record.options[options[i].name] = options[i].value;
            cupsFreeOptions(count, options);
            return record;
        }
        if (clock.elapsed() > timeoutMs)
            return std::nullopt;
        QTest::qWait(100);
    }
}

bool ScratchCupsd::hasRecord(int jobId) const
{
    return QFileInfo::exists(QString::fromStdString(folder() + "/records/job-" + std::to_string(jobId) + ".options"));
}

std::optional<ipp_jstate_t> ScratchCupsd::jobState(int jobId) const
{
    std::unique_ptr<http_t, HttpCloser> http(
        httpConnect2("127.0.0.1", port_, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr));
    if (!http)
        return std::nullopt;
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const std::string uri = "ipp://localhost/jobs/" + std::to_string(jobId);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    std::unique_ptr<ipp_t, IppDeleter> response(cupsDoRequest(http.get(), request, "/"));
    ipp_attribute_t* state = response ? ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM) : nullptr;
    if (!state)
        return std::nullopt;
    return static_cast<ipp_jstate_t>(ippGetInteger(state, 0));
}

std::vector<int> ScratchCupsd::jobIds() const
{
    std::vector<int> ids;
    std::unique_ptr<http_t, HttpCloser> http(
        httpConnect2("127.0.0.1", port_, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr));
    if (!http)
        return ids;
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(http.get(), &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    for (int i = 0; i < count; ++i)
        ids.push_back(jobs[i].id);
    cupsFreeJobs(count, jobs);
    return ids;
}

FilterRecord ScratchCupsd::opened(FilterRecord record) const
{
    const auto key = korvane::crypto::sealPrivateKeyFromPem(readFile(sealKeyFolder() + "/job-seal.key"));
    if (key)
        korvane::settings::openSealedKeys(record.options, *key, cupsUser());
    return record;
}

int ScratchCupsd::newJobSince(const std::vector<int>& before) const
{
    for (int id : jobIds())
        if (std::find(before.begin(), before.end(), id) == before.end())
            return id;
    return 0;
}

bool ScratchCupsd::waitForJobState(int jobId, ipp_jstate_t state, int timeoutMs) const
{
    QElapsedTimer clock;
    clock.start();
    while (jobState(jobId) != state) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(50);
    }
    return true;
}

std::optional<std::string> ScratchCupsd::holdNewJobs(const std::string& queue)
{
    const ProcessResult set = runProgram(
        "lpadmin", {"-h", server(), "-p", queue, "-o", "job-hold-until-default=indefinite"}, adminEnvironment());
    if (set.exitCode != 0)
        return "lpadmin could not turn the prompt on for " + queue + ": " + set.err;
    return std::nullopt;
}

std::string ScratchCupsd::spooledDocument(int jobId) const
{
    char name[32];
    std::snprintf(name, sizeof name, "/spool/d%05d-001", jobId);
    return readFile(folder() + name);
}

}  // namespace host_testing
