// What sealing a job's secrets costs: the host seals them for the print server's key when it
// sends the job, the filter reads that key from its file and opens them before it reads the job.
#include "bench_support.h"
#include "crypto/seal.h"
#include "seal_keys.h"
#include "sealed_settings.h"
#include "settings/sealed_options.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

// The key pair of a print server, in a folder of its own as the filter finds it.
class ServerKeys {
public:
    ServerKeys()
    {
        std::string problem;
        const auto text = jobcontrol::provideSealKeyPair(folder_.path().toStdString(), &problem);
        std::string ignored;
        if (text)
            publicKey_ =
                jobcontrol::readSealPublicKey(jobcontrol::publicKeyPath(folder_.path().toStdString()), &ignored)
                    .value_or(std::vector<unsigned char>{});
        ::setenv(jobcontrol::kSealKeyFolderVariable, folder_.path().toLocal8Bit().constData(), 1);
    }
    ~ServerKeys() { ::unsetenv(jobcontrol::kSealKeyFolderVariable); }
    ServerKeys(const ServerKeys&) = delete;
    ServerKeys& operator=(const ServerKeys&) = delete;

    bool ready() const { return !publicKey_.empty(); }
    const std::vector<unsigned char>& publicKey() const { return publicKey_; }

private:
    QTemporaryDir folder_;
    std::vector<unsigned char> publicKey_;
};

// The options of a job whose tab had every field filled.
korvane::settings::JobOptionMap typicalJob()
{
    return bench::fullPrintSettings().values();
}

// The host's part: the job's secret-bearing keys sealed into their pieces.
void BM_SealJobSecrets(benchmark::State& state)
{
    const ServerKeys keys;
    if (!keys.ready()) {
        state.SkipWithError("no key pair");
        return;
    }
    const korvane::settings::JobOptionMap job = typicalJob();
    for (auto _ : state) {
        korvane::settings::JobOptionMap options = job;
        if (!korvane::settings::sealSecretKeys(options, keys.publicKey(), "mia"))
            state.SkipWithError("sealing failed");
        benchmark::DoNotOptimize(options);
    }
}
BENCHMARK(BM_SealJobSecrets)->Unit(benchmark::kMillisecond)->UseRealTime();

// The filter's part: its private key read from the key file, the sealed value opened.
void BM_OpenJobSecrets(benchmark::State& state)
{
    const ServerKeys keys;
    korvane::settings::JobOptionMap sealed = typicalJob();
    if (!keys.ready() || !korvane::settings::sealSecretKeys(sealed, keys.publicKey(), "mia")) {
        state.SkipWithError("no sealed job");
        return;
    }
    for (auto _ : state) {
        korvane::settings::JobOptionMap options = sealed;
        jobcontrol::openSealedSettings(options, "mia");
        benchmark::DoNotOptimize(options);
    }
}
BENCHMARK(BM_OpenJobSecrets)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
