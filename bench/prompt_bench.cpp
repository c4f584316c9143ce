// korvane-prompt-bench: what the prompt costs the user. The time from a job's submission to
// the Job Control tab on the screen, when the agent opens it from cupsd's event, against a bare
// Qt window opened from the same kind of event; and what the agent costs while it waits: its
// memory against the batch host's, its processor time and its wake-ups.
//
// It needs root and a cupsd of its own (with a system bus of its own for cupsd's D-Bus
// notifier), as the tests that drive the agent do; scripts/run-bench.sh runs it after the
// other benchmarks. Exit status 1 when a target is missed.
#include "bench_support.h"
#include "cups_events.h"
#include "harness_host.h"
#include "job_agent.h"
#include "korvane-print/host_harness.h"
#include "korvane-print/system_bus.h"
#include "ratio_report.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

using namespace host_testing;

// The most the tab may take beyond a bare window opened from the same event.
constexpr double kMostMilliseconds = 250;
// How long the idle agent is watched.
constexpr int kIdleSeconds = 10;

// The server the benchmarks print to: a system bus, a cupsd whose notifier sends there, and a
// queue of this model with the prompt on.
struct PromptServer {
    PrivateSystemBus bus;
    std::unique_ptr<ScratchCupsd> cupsd;
    std::string document;
    std::string error;
};
PromptServer* server = nullptr;

// Runs the event loop until done() holds; false after 20 s.
bool waitUntil(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 20000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

// Sends the document to the queue as Print-Job; the job's id.
int submitJob()
{
    return cupsPrintFile2(CUPS_HTTP_DEFAULT, "prompt", server->document.c_str(), "Bench report", 0, nullptr);
}

// Notes the first paint of a widget.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(const QElapsedTimer& clock) : clock_(clock) {}
    qint64 at = -1;  // nanoseconds on the clock; -1 until painted

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (at < 0 && event->type() == QEvent::Paint)
            at = clock_.nsecsElapsed();
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& clock_;
};

// The reference: a listener that opens a bare window when cupsd tells of a job that may wait,
// as the agent does before it looks at the job.
class BareListener : public QObject {
    Q_OBJECT
public:
    BareListener()
    {
        // cupsd sends its events only while someone subscribes, as the agent does.
        std::string ignored;
        subscription_.subscribe(&ignored);
        for (const char* name : kJobSignals)
            QDBusConnection::systemBus().connect(QString(), kNotifierPath, kNotifierInterface, name, this,
                                                 SLOT(cupsEvent(QDBusMessage)));
    }
    std::unique_ptr<QWidget> window;

public slots:
    void cupsEvent(const QDBusMessage& message)
    {
        const std::optional<JobEvent> event = jobEventOf(message);
        if (!event || !mayWait(*event) || window)
            return;
        window = std::make_unique<QWidget>();
        window->resize(640, 600);
        emit opened(window.get());
        window->show();
    }

signals:
    void opened(QWidget* window);

private:
    CupsEventSubscription subscription_;
};

void finishJob(int jobId)
{
    cupsCancelJob2(CUPS_HTTP_DEFAULT, "prompt", jobId, 0);
    QTest::qWait(20);
}

// The agent opens the window from cupsd's event; the time runs from the submission until its
// tab is first painted.
void BM_JobToTabShown(benchmark::State& state)
{
    JobAgent agent(HostOptions{});
    std::string error;
    if (!agent.start(&error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) {
        QElapsedTimer clock;
        FirstPaint paint(clock);
        HeldJobDialog* window = nullptr;
        const auto opened = QObject::connect(&agent, &JobAgent::windowOpened, [&](int, HeldJobDialog* shown) {
            window = shown;
            QObject::connect(shown, &HeldJobDialog::tabShown, [&] { paint.at = clock.nsecsElapsed(); });
        });
        clock.start();
        const int job = submitJob();
        const bool shown = job > 0 && waitUntil([&] { return paint.at >= 0; });
        QObject::disconnect(opened);
        finishJob(job);
        if (!shown) {
            state.SkipWithError("the agent showed no tab for the job");
            break;
        }
        state.SetIterationTime(static_cast<double>(paint.at) / 1e9);
        window->close();
    }
}

// The reference: the same submission, a bare window opened from the same event.
void BM_JobToBareWindow(benchmark::State& state)
{
    BareListener listener;
    for (auto _ : state) {
        QElapsedTimer clock;
        FirstPaint paint(clock);
        const auto opened = QObject::connect(&listener, &BareListener::opened,
                                             [&](QWidget* window) { window->installEventFilter(&paint); });
        clock.start();
        const int job = submitJob();
        const bool shown = job > 0 && waitUntil([&] { return paint.at >= 0; });
        QObject::disconnect(opened);
        finishJob(job);
        listener.window.reset();
        if (!shown) {
            state.SkipWithError("no bare window for the job");
            break;
        }
        state.SetIterationTime(static_cast<double>(paint.at) / 1e9);
    }
}

// One line of a /proc status file, in KiB or a count; nothing when absent.
std::optional<long> statusValue(const QString& path, const QByteArray& key)
{
    QFile status(path);
    if (!status.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key + ":"))
            return line.mid(key.size() + 1).trimmed().split(' ').front().toLong();
    return std::nullopt;
}

// How often the process's threads have gone to sleep and been woken so far.
long wakeUpsOf(qint64 pid)
{
    long total = 0;
    const QDir tasks(QString("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        total +=
            statusValue(QString("/proc/%1/task/%2/status").arg(pid).arg(task), "voluntary_ctxt_switches").value_or(0);
    return total;
}

// The process's processor time so far, in clock ticks (user and system).
long cpuTicks(qint64 pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // The fields after the command's closing parenthesis: state is field 3, utime 14, stime 15.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields.at(11).toLong() + fields.at(12).toLong() : -1;
}

struct IdleAgent {
    std::optional<double> peakMiB;
    long cpuTicks = -1;
    long wakeUps = -1;
};

// Starts korvane-print --agent as a desktop session would, lets it settle, and watches it wait.
IdleAgent watchIdleAgent()
{
    IdleAgent idle;
    QProcess agent;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("CUPS_SERVER", QString::fromStdString(server->cupsd->server()));
    environment.insert("DBUS_SYSTEM_BUS_ADDRESS", QString::fromStdString(server->bus.address()));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    agent.setProcessEnvironment(environment);
    agent.start(QString::fromStdString(harness::programPath("korvane-print")), {"--agent"});
    if (!agent.waitForStarted(10000))
        return idle;
    const bool ready = waitUntil(
        [&] { return agent.readAllStandardError().contains("waiting for your print jobs") || !agent.isOpen(); });
    QTest::qWait(2000);
    const qint64 pid = agent.processId();
    const long ticksBefore = cpuTicks(pid);
    const long wakeUpsBefore = wakeUpsOf(pid);
    QTest::qWait(kIdleSeconds * 1000);
    if (ready) {
        idle.cpuTicks = cpuTicks(pid) - ticksBefore;
        idle.wakeUps = wakeUpsOf(pid) - wakeUpsBefore;
        if (auto peak = statusValue(QString("/proc/%1/status").arg(pid), "VmHWM"))
            idle.peakMiB = *peak / 1024.0;
    }
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    agent.waitForFinished(10000);
    return idle;
}

// The batch host's median peak memory of three runs, in MiB.
std::optional<double> batchHostPeakMiB()
{
    std::vector<long> peaks;
    for (int run = 0; run < 3; ++run) {
        const auto peak = bench::peakResidentKiB(harness::programPath("korvane-print"),
                                                 {"--batch", "--printer", "sample", "--dry-run", "--calls",
                                                  "panelView,willShow,restore,ops,save,shouldPrint,summary"});
        if (!peak)
            return std::nullopt;
        peaks.push_back(*peak);
    }
    std::sort(peaks.begin(), peaks.end());
    return peaks[1] / 1024.0;
}

// Sets up the server; false, with the reason printed, when it cannot be had.
bool setUpServer(PromptServer& prompt)
{
    if (!prompt.bus.error().empty()) {
        std::fprintf(stderr, "korvane-prompt-bench: %s\n", prompt.bus.error().c_str());
        return false;
    }
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", QByteArray::fromStdString(prompt.bus.address()));
    prompt.cupsd = std::make_unique<ScratchCupsd>(CupsdPolicy::Open, prompt.bus.address());
    std::optional<std::string> problem;
    if (!prompt.cupsd->isRunning())
        problem = "it needs root and a cupsd of its own, which could not start: " + prompt.cupsd->error();
    if (!problem)
        problem = prompt.cupsd->addRecordingQueue("prompt");
    if (!problem)
        problem = prompt.cupsd->holdNewJobs("prompt");
    if (problem) {
        std::fprintf(stderr, "korvane-prompt-bench: %s\n", problem->c_str());
        return false;
    }
    qputenv("CUPS_SERVER", QByteArray::fromStdString(prompt.cupsd->server()));
    cupsSetServer(prompt.cupsd->server().c_str());
    prompt.document = prompt.cupsd->folder() + "/bench.pdf";
    return writeFile(prompt.document, minimalPdf());
}

}  // namespace

BENCHMARK(BM_JobToTabShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_JobToBareWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);

int main(int argc, char** argv)
{
    auto app = harness::makeHeadlessApplication(argc, argv);
    bench::OwnUserDirs dirs;
    PromptServer prompt;
    if (!setUpServer(prompt))
        return 1;
    server = &prompt;

    if (!bench::initializeBenchmarks(argc, argv))
        return 2;
    bench::RatioReporter report;
    benchmark::RunSpecifiedBenchmarks(&report);
    benchmark::Shutdown();

    // The agent waits with nothing to offer, as most of its life.
    runProgram("cancel", {"-h", prompt.cupsd->server(), "-a", "prompt"});
    const IdleAgent idle = watchIdleAgent();
    const std::optional<double> bare = report.milliseconds("BM_JobToBareWindow");
    std::vector<bench::Ratio> ratios{
        {"job to tab / job to bare window + 250 ms", report.milliseconds("BM_JobToTabShown"),
         bare ? std::optional<double>(*bare + kMostMilliseconds) : std::nullopt, 1.0},
        {"peak memory: idle agent / batch host", idle.peakMiB, batchHostPeakMiB(), 1.0, "MiB"},
    };
    std::printf("\nidle agent over %d s: %ld clock ticks of processor time, %ld wake-ups (target 0)\n", kIdleSeconds,
                idle.cpuTicks, idle.wakeUps);
    const bool met = bench::printRatios(ratios);
    return met && idle.cpuTicks == 0 ? 0 : 1;
}

#include "prompt_bench.moc"
