// The folder list: the reply reader with the pop-up it feeds, and a whole fetch from the
// stand-in service on loopback, against a bare parse of the same reply and a bare round trip.
#include "bench_support.h"
#include "platform/system.h"
#include "plugin/product_name.h"

#include <QDomDocument>
#include <QFile>

#include <benchmark/benchmark.h>

namespace {

// Writes a reply document of `count` folders where the parse benchmarks read it: its path, or
// nothing, and the benchmark marked skipped, when it could not be written.
std::optional<std::string> writeReplyFor(benchmark::State& state, int count)
{
    const std::string path =
        *platform::privateTemporaryDirectory(korvane::kProductName) + "bench-" + std::to_string(count) + ".xml";
    if (bench::writeFile(path, bench::replyDocument(count)))
        return path;
    state.SkipWithError("cannot write the reply file");
    return std::nullopt;
}

// parseXML on a reply file of N folders, then makeFolderPopup, on a panel whose view is made.
// Afterwards the panel holds all N folders when the reply is within the cap, and none beyond it.
void timeReplyAndPopUp(benchmark::State& state, bool withinTheCap)
{
    const bench::OwnUserDirs dirs;  // no benchmark sees what another stored
    const int count = static_cast<int>(state.range(0));
    const std::optional<std::string> path = writeReplyFor(state, count);
    if (!path)
        return;
    harness::HarnessHost host;
    auto panel = host.makePanel();
    panel->panelView();
    for (auto _ : state) {
        panel->parseXML(*path);
        panel->makeFolderPopup();
    }
    const std::size_t folders = panel->folderList ? panel->folderList->size() : 0;
    if (withinTheCap &&
        (static_cast<int>(folders) != count || panel->folderSelectionPopup.numberOfItems() != count + 3))
        state.SkipWithError("the reply was not read whole");
    if (!withinTheCap && folders != 0)
        state.SkipWithError("a reply beyond the cap was read");
    state.SetComplexityN(count);
}

// What a fetch costs after the bytes have arrived.
void BM_ReplyAndPopUp(benchmark::State& state)
{
    timeReplyAndPopUp(state, true);
}
BENCHMARK(BM_ReplyAndPopUp)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A reply of N folders beyond the cap: what it costs to refuse it, pop-up included.
void BM_ReplyBeyondTheCap(benchmark::State& state)
{
    timeReplyAndPopUp(state, false);
}
BENCHMARK(BM_ReplyBeyondTheCap)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reference: the same file read and parsed by a bare QDomDocument.
void BM_BareDomParse(benchmark::State& state)
{
    const bench::OwnUserDirs dirs;  // no benchmark sees what another stored
    const int count = static_cast<int>(state.range(0));
    const std::optional<std::string> path = writeReplyFor(state, count);
    if (!path)
        return;
    for (auto _ : state) {
        QFile file(QString::fromStdString(*path));
        file.open(QIODevice::ReadOnly);
        QDomDocument document;
        benchmark::DoNotOptimize(document.setContent(file.readAll()));
    }
    state.SetComplexityN(count);
}
BENCHMARK(BM_BareDomParse)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The whole press of the button that fetches the folders: request to the stand-in, reply file,
// reply reader, preference write, pop-up.
void BM_FolderFetch(benchmark::State& state)
{
    const bench::ServiceSetUp setUp(state);
    if (!setUp.ready())
        return;
    harness::HarnessHost host;
    auto panel = setUp.panelAimedAtTheService(host);
    for (auto _ : state)
        panel->getFolderNameButtonProc(panel->getFolderNameButton);
    if (!host.alerts.empty() || !panel->folderList || static_cast<int>(panel->folderList->size()) != setUp.count)
        state.SkipWithError("the fetch failed");
}
BENCHMARK(BM_FolderFetch)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reference: the same POST through a bare QNetworkAccessManager made for the occasion, as
// each press makes its own connection, and a bare QDomDocument parse of the reply.
void BM_BareRoundTripAndParse(benchmark::State& state)
{
    const bench::ServiceSetUp setUp(state);
    if (!setUp.ready())
        return;
    const QUrl url(QString::fromStdString(setUp.service.serviceURL()));
    const QByteArray body = QByteArray::fromStdString(bench::requestBody());
    QByteArray lastReply;
    for (auto _ : state) {
        lastReply = bench::barePost(url, body);
        QDomDocument document;
        benchmark::DoNotOptimize(document.setContent(lastReply));
    }
    QDomDocument document;
    document.setContent(lastReply);
    if (document.elementsByTagName(QStringLiteral("file")).count() != setUp.count)
        state.SkipWithError("the round trip did not bring the folders");
}
BENCHMARK(BM_BareRoundTripAndParse)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
