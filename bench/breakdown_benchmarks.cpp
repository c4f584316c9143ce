// Where the time of a fetch and of a reply goes, step by step, to explain the ratios: each
// benchmark reports the mean milliseconds of its steps as counters.
#include "bench_support.h"
#include "platform/xml_document.h"
#include "soap/KorvanePrintPdeRk880JCSOAPClient.h"
#include "soap/reply.h"

#include <QDomDocument>
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
    const std::string url = "http://" + *service.address() + "/korvane-mfp-srv";
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

// The steps of reading a reply of N folders: the streaming check that guards the parse, the
// guarded parse (check and DOM), the whole reader (file, guarded parse, walk), the pop-up.
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
        benchmark::DoNotOptimize(platform::XmlDocument::read(buffer));
        t = addStep(state, "guarded_parse_ms", t);
        panel->parseXML(*path);
        t = addStep(state, "reader_ms", t);
        panel->makeFolderPopup();
        addStep(state, "popup_ms", t);
    }
}
BENCHMARK(BM_ReplySteps)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
