// The folder list: the reply reader with the pop-up it feeds, and a whole fetch from the
// stand-in service on loopback, against a bare parse of the same reply and a bare round trip.
#include "bench_support.h"
#include "platform/system.h"
#include "plugin/product_name.h"

#include <QDomDocument>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <benchmark/benchmark.h>

namespace {

// Where the reply documents of the parse benchmarks go.
std::string replyPathFor(int count)
{
    return *platform::privateTemporaryDirectory(korvane::kProductName) + "bench-" + std::to_string(count) + ".xml";
}

// parseXML on a reply file of N folders, then makeFolderPopup: what a fetch costs after the
// bytes have arrived.
void BM_ReplyAndPopUp(benchmark::State& state)
{
    const bench::OwnUserDirs dirs;  // no benchmark sees what another stored
    const int count = static_cast<int>(state.range(0));
    const std::string path = replyPathFor(count);
    if (!bench::writeFile(path, bench::replyDocument(count))) {
        state.SkipWithError("cannot write the reply file");
        return;
    }
    harness::HarnessHost host;
    auto panel = host.makePanel();
    panel->panelView();
    for (auto _ : state) {
        panel->parseXML(path);
        panel->makeFolderPopup();
    }
    if (!panel->folderList || static_cast<int>(panel->folderList->size()) != count ||
        panel->folderSelectionPopup.numberOfItems() != count + 3)
        state.SkipWithError("the reply was not read whole");
    state.SetComplexityN(count);
}
BENCHMARK(BM_ReplyAndPopUp)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A reply of N folders beyond the cap: what it costs to refuse it, pop-up included.
void BM_ReplyBeyondTheCap(benchmark::State& state)
{
    const bench::OwnUserDirs dirs;  // no benchmark sees what another stored
    const int count = static_cast<int>(state.range(0));
    const std::string path = replyPathFor(count);
    if (!bench::writeFile(path, bench::replyDocument(count))) {
        state.SkipWithError("cannot write the reply file");
        return;
    }
    harness::HarnessHost host;
    auto panel = host.makePanel();
    panel->panelView();
    for (auto _ : state) {
        benchmark::DoNotOptimize(panel->parseXML(path));
        panel->makeFolderPopup();
    }
    if (panel->folderList && !panel->folderList->empty())
        state.SkipWithError("a reply beyond the cap was read");
}
BENCHMARK(BM_ReplyBeyondTheCap)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reference: the same file read and parsed by a bare QDomDocument.
void BM_BareDomParse(benchmark::State& state)
{
    const bench::OwnUserDirs dirs;  // no benchmark sees what another stored
    const int count = static_cast<int>(state.range(0));
    const std::string path = replyPathFor(count);
    if (!bench::writeFile(path, bench::replyDocument(count))) {
        state.SkipWithError("cannot write the reply file");
        return;
    }
    for (auto _ : state) {
        QFile file(QString::fromStdString(path));
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
    const bench::OwnUserDirs dirs;  // no benchmark sees what another stored
    const int count = static_cast<int>(state.range(0));
    bench::FolderService service(count);
    if (!service.address()) {
        state.SkipWithError("the folder service did not start");
        return;
    }
    harness::HarnessHost host;
    auto panel = host.makePanel();
    panel->panelView();
    panel->printersAddressEditText.setStringValue(*service.address());
    for (auto _ : state)
        panel->getFolderNameButtonProc(panel->getFolderNameButton);
    if (!host.alerts.empty() || !panel->folderList || static_cast<int>(panel->folderList->size()) != count)
        state.SkipWithError("the fetch failed");
}
BENCHMARK(BM_FolderFetch)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reference: the same POST through a bare QNetworkAccessManager made for the occasion, as
// each press makes its own connection, and a bare QDomDocument parse of the reply.
void BM_BareRoundTripAndParse(benchmark::State& state)
{
    const bench::OwnUserDirs dirs;  // no benchmark sees what another stored
    const int count = static_cast<int>(state.range(0));
    bench::FolderService service(count);
    if (!service.address()) {
        state.SkipWithError("the folder service did not start");
        return;
    }
    const QUrl url(QString::fromStdString(service.serviceURL()));
    const QByteArray body = QByteArray::fromStdString(bench::requestBody());
    QByteArray lastReply;
    for (auto _ : state) {
        QNetworkAccessManager manager;
        manager.setProxy(QNetworkProxy::NoProxy);
        QNetworkRequest request(url);
        request.setRawHeader("SOAPAction", "\"SoapActionDummy\"");
        request.setRawHeader("Content-Type", "application/soap; charset=\"utf-8\"");
        std::unique_ptr<QNetworkReply> reply(manager.post(request, body));
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        lastReply = reply->readAll();
        QDomDocument document;
        benchmark::DoNotOptimize(document.setContent(lastReply));
    }
    QDomDocument document;
    document.setContent(lastReply);
    if (document.elementsByTagName(QStringLiteral("file")).count() != count)
        state.SkipWithError("the round trip did not bring the folders");
}
BENCHMARK(BM_BareRoundTripAndParse)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
