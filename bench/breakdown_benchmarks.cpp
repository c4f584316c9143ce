// Where the time of a fetch and of a reply goes, step by step, to explain the ratios: each
// benchmark reports the mean milliseconds of its steps as counters.
#include "bench_support.h"
#include "platform/http_exchange.h"
#include "platform/private_file.h"
#include "soap/KorvanePrintPdeRk880JCSOAPClient.h"
#include "soap/reply.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QStandardItemModel>
#include <QStyle>
#include <QXmlStreamReader>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// Adds the milliseconds since `start` to a counter that reports the mean per iteration, and
// returns the time now.
Clock::time_point addStep(benchmark::State& state, const char* name, Clock::time_point start)
{
    const Clock::time_point now = Clock::now();
    auto& counter = state.counters[name];
    counter.flags = benchmark::Counter::kAvgIterations;
    counter.value += std::chrono::duration<double, std::milli>(now - start).count();
    return now;
}

// The steps of one press of the fetch button, as getFolderNameButtonProc takes them.
void BM_FetchSteps(benchmark::State& state)
{
    const bench::ServiceSetUp setUp(state);
    if (!setUp.ready())
        return;
    harness::HarnessHost host;
    auto panel = setUp.panelAimedAtTheService(host);
    const std::string url = setUp.service.serviceURL();
    for (auto _ : state) {
        Clock::time_point t = Clock::now();
        auto client = KorvanePrintPdeRk880JCSOAPClient::initWithServerName(url, nullptr);
        client->sendMessage(panel->requestData);
        client.reset();
        t = addStep(state, "exchange_ms", t);
        panel->parseXML(*replyFilePath());
        t = addStep(state, "reply_ms", t);
        panel->SaveFolderPreference();
        t = addStep(state, "store_ms", t);
        panel->makeFolderPopup();
        addStep(state, "popup_ms", t);
    }
}
BENCHMARK(BM_FetchSteps)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The fetch's exchange taken apart, each against the same stand-in: the project's own exchange
// with the body kept in memory, the atomic write of the reply file that only the panel does, the
// SOAP client (both together, with its wait and watchdog), and a bare QNetworkAccessManager
// round trip (the reference's exchange, nothing parsed).
void BM_ExchangeSteps(benchmark::State& state)
{
    const bench::ServiceSetUp setUp(state);
    if (!setUp.ready())
        return;
    const std::string url = setUp.service.serviceURL();
    const std::string body = bench::requestBody();
    const auto path = replyFilePath();
    struct Collector : platform::HttpExchangeDelegate {
        platform::ByteBuffer bytes;
        QEventLoop loop;
        void exchangeDidReceiveResponse() override { bytes.clear(); }
        void exchangeDidReceiveData(const char* data, std::size_t n) override
        {
            bytes.insert(bytes.end(), data, data + n);
        }
        void exchangeDidFinish() override { loop.quit(); }
        void exchangeDidFail() override
        {
            bytes.clear();
            loop.quit();
        }
    } collector;
    platform::HttpPost post;
    post.url = url;
    post.body.assign(body.begin(), body.end());
    post.headers = {{"SOAPAction", "\"SoapActionDummy\""}, {"Content-Type", "application/soap; charset=\"utf-8\""}};
    for (auto _ : state) {
        Clock::time_point t = Clock::now();
        {
            auto exchange = platform::HttpExchange::start(post, collector);
            collector.loop.exec();
        }
        t = addStep(state, "own_exchange_ms", t);
        platform::replaceOwnFile(*path, collector.bytes);
        t = addStep(state, "reply_file_ms", t);
        {
            auto client = KorvanePrintPdeRk880JCSOAPClient::initWithServerName(url, nullptr);
            client->sendMessage(post.body);
        }
        t = addStep(state, "soap_client_ms", t);
        benchmark::DoNotOptimize(bench::barePost(QUrl(QString::fromStdString(url)), QByteArray::fromStdString(body)));
        addStep(state, "bare_qnam_ms", t);
    }
    if (collector.bytes.empty())
        state.SkipWithError("the exchange brought nothing");
}
BENCHMARK(BM_ExchangeSteps)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The steps of reading a reply of N folders: a bare streaming pass over it (the floor of any
// reader that looks at every token), the one-pass reader on the bytes, the whole reader (file
// included), the pop-up.
void BM_ReplySteps(benchmark::State& state)
{
    const bench::OwnUserDirs dirs;  // no benchmark sees what another stored
    const int count = static_cast<int>(state.range(0));
    const std::string document = bench::replyDocument(count);
    const auto path = replyFilePath();
    if (!path || !bench::writeFile(*path, document)) {
        state.SkipWithError("cannot write the reply file");
        return;
    }
    const QByteArray bytes = QByteArray::fromStdString(document);
    const platform::ByteBuffer buffer(document.begin(), document.end());
    harness::HarnessHost host;
    auto panel = host.makePanel();
    panel->panelView();
    for (auto _ : state) {
        Clock::time_point t = Clock::now();
        QXmlStreamReader reader(bytes);
        reader.setNamespaceProcessing(false);
        while (!reader.atEnd())
            reader.readNext();
        t = addStep(state, "check_ms", t);
        benchmark::DoNotOptimize(readFolderReply(buffer));
        t = addStep(state, "one_pass_reader_ms", t);
        panel->parseXML(*path);
        t = addStep(state, "reader_ms", t);
        panel->makeFolderPopup();
        addStep(state, "popup_ms", t);
    }
}
BENCHMARK(BM_ReplySteps)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The toolkit's floor for the pop-up: N items with a title and an icon put into a bare
// combo box's model in one insertion, after removing the N of the previous round.
void BM_BarePopUpFill(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    QComboBox popUp;
    auto* model = qobject_cast<QStandardItemModel*>(popUp.model());
    const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    for (auto _ : state) {
        model->removeRows(0, model->rowCount());
        QList<QStandardItem*> rows;
        rows.reserve(count);
        for (int i = 0; i < count; ++i)
            rows.append(new QStandardItem(icon, QStringLiteral("Folder %1").arg(i)));
        model->invisibleRootItem()->appendRows(rows);
    }
}
BENCHMARK(BM_BarePopUpFill)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
