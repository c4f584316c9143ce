#include "bench_support.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace bench {

LoadedFactory::LoadedFactory()
{
    const QDir bundle(QString::fromStdString(harness::bundleDir()));
    const QString library = bundle.filePath(QFileInfo(bundle.absolutePath()).completeBaseName() + ".so");
    loader_ = std::make_unique<QPluginLoader>(library);
    factory_ = qobject_cast<platform::PDEPlugIn*>(loader_->instance());
    if (factory_)
        factory_->initWithBundle(bundle.absolutePath().toStdString());
}

std::unique_ptr<platform::PDEPanel> panelFromFactory(platform::PDEPlugIn& factory, platform::PDEPluginCallback& host)
{
    auto panels = factory.PDEPanelsForType(platform::kPrinterPanelType, &host);
    if (!panels || panels->size() != 1)
        return nullptr;
    return std::move(panels->front());
}

FolderList sampleFolders()
{
    return {{"Accounts", true, false, false}, {"Design", false, false, false}, {"Shared", false, true, false}};
}

platform::PrintSettings fullPrintSettings()
{
    harness::HarnessHost host;
    auto panel = host.makePanel();
    panel->panelView();
    panel->folderList = sampleFolders();
    panel->makeFolderPopup();

    panel->retentionCheckBox.setState(1);
    panel->retentionCBoxProc(panel->retentionCheckBox);
    panel->suspendMatrix.selectCellAtRow(0);
    panel->suspendKeyEditText.setStringValue("1234");
    panel->folderSelectionPopup.selectItemAtIndex(3);
    panel->folderSelectionPopUpButtonProc(panel->folderSelectionPopup);
    panel->folderPasswordEditText.setStringValue("5678");
    panel->authenticationMatrix.selectCellAtRow(0);
    panel->authenticationMatrixProc(panel->authenticationMatrix);
    panel->loginNameEditText.setStringValue("alice.example");
    panel->passwordEditText.setStringValue("correct horse battery");
    panel->userNumberEditText.setStringValue("12345678");
    panel->accountNumberEditText.setStringValue("12345");
    panel->userNameEditText.setStringValue("Alice Example");
    panel->jobNameEditText.setStringValue("Quarterly report");
    for (platform::Button* lock : {&panel->suspendKeyButton, &panel->passwordButton, &panel->userNameButton,
                                   &panel->jobNameButton, &panel->folderPasswordButton, &panel->userNumberButton,
                                   &panel->accountNumberButton, &panel->folderNameButton})
        lock->setState(1);
    panel->loginNameButton.setState(1);
    panel->loginNameButtonProc(panel->loginNameButton);  // holds the name aside, shows bullets

    panel->saveValuesAndReturnError(nullptr);
    return host.settings;
}

std::string replyDocument(int count)
{
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">\n"
           "  <soap:Body>\n"
           "    <ListFoldersResponse xmlns=\"urn:korvane:mfp:filing:1\">\n"
           "      <result-code>ok</result-code>\n"
           "      <files>\n";
    for (int i = 0; i < count; ++i)
        out << "        <file>\n"
            << "          <name>Folder " << i << "</name>\n"
            << "          <password>" << (i % 3 == 0 ? "true" : "false") << "</password>\n"
            << "          <dir>false</dir>\n"
            << "        </file>\n";
    out << "      </files>\n"
           "    </ListFoldersResponse>\n"
           "  </soap:Body>\n"
           "</soap:Envelope>\n";
    return out.str();
}

bool writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out.flush());
}

FolderService::FolderService(int folderCount)
{
    foldersFile_ = QDir::temp().filePath(QStringLiteral("korvane-bench-folders-%1.txt").arg(getpid())).toStdString();
    std::string lines;
    for (int i = 0; i < folderCount; ++i)
        lines += "Folder " + std::to_string(i) + (i % 3 == 0 ? ":protected\n" : "\n");
    if (writeFile(foldersFile_, lines) &&
        standIn_.start({QStringLiteral("--folders"), QString::fromStdString(foldersFile_)}))
        address_ = standIn_.address();
}

// The stand-in read the file when it started; it stops when standIn_ goes.
FolderService::~FolderService()
{
    std::remove(foldersFile_.c_str());
}

ServiceSetUp::ServiceSetUp(benchmark::State& state) : count(static_cast<int>(state.range(0))), service(count)
{
    if (!ready())
        state.SkipWithError("the folder service did not start");
}

std::unique_ptr<KorvanePrintPdeRk880JC> ServiceSetUp::panelAimedAtTheService(harness::HarnessHost& host) const
{
    auto panel = host.makePanel();
    panel->panelView();
    panel->printersAddressEditText.setStringValue(*service.address());
    return panel;
}

QByteArray barePost(const QUrl& url, const QByteArray& body)
{
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(url);
    request.setRawHeader("SOAPAction", "\"SoapActionDummy\"");
    request.setRawHeader("Content-Type", "application/soap; charset=\"utf-8\"");
    std::unique_ptr<QNetworkReply> reply(manager.post(request, body));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    return reply->readAll();
}

std::string requestBody()
{
    std::ifstream in(harness::bundleDir() + "/Resources/listfiles.xml", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<long> peakResidentKiB(const std::string& program, const std::vector<std::string>& arguments)
{
    QStringList list{QString::fromStdString(program)};
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    QProcess measure;
    measure.start(QString::fromStdString(harness::programPath("peak-memory")), list);
    if (!measure.waitForFinished(60000) || measure.exitStatus() != QProcess::NormalExit || measure.exitCode() != 0)
        return std::nullopt;
    bool ok = false;
    const long kib = measure.readAllStandardOutput().trimmed().toLong(&ok);
    return ok ? std::optional<long>(kib) : std::nullopt;
}

bool initializeBenchmarks(int argc, char** argv)
{
    static std::string repetitions = "--benchmark_repetitions=5";
    static std::string aggregates = "--benchmark_report_aggregates_only=true";
    static std::string interleaving = "--benchmark_enable_random_interleaving=true";
    std::vector<char*> arguments(argv, argv + argc);
    const bool chosen = std::any_of(arguments.begin(), arguments.end(), [](const char* a) {
        return std::string(a).rfind("--benchmark_repetitions", 0) == 0;
    });
    if (!chosen)
        arguments.insert(arguments.end(), {repetitions.data(), aggregates.data(), interleaving.data()});
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    return !benchmark::ReportUnrecognizedArguments(count, arguments.data());
}

}  // namespace bench
