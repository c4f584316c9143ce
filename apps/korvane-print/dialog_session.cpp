#include "dialog_session.h"

#include "lpoptions_store.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

std::optional<platform::PrintSettings> readSettingsFile(const std::string& path, std::string* error)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        *error = "cannot read the settings file " + path + ": " + file.errorString().toStdString();
        return std::nullopt;
    }
    // Read one byte beyond the bound, so a larger file is told apart without reading it whole.
    const QByteArray bytes = file.read(kMaxSettingsFileBytes + 1);
    if (bytes.size() > kMaxSettingsFileBytes) {
        *error = "the settings file " + path + " is larger than " +
                 std::to_string(kMaxSettingsFileBytes / (1024 * 1024)) + " MiB, the most korvane-print reads";
        return std::nullopt;
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        *error = "the settings file " + path + " is not a JSON object" +
                 (parseError.error != QJsonParseError::NoError ? ": " + parseError.errorString().toStdString() : "");
        return std::nullopt;
    }
    platform::PrintSettings settings;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isString()) {
            *error =
                "the settings file " + path + " gives \"" + it.key().toStdString() + "\" a value that is not a string";
            return std::nullopt;
        }
        settings.setValue(it.key().toStdString(), it.value().toString().toStdString());
    }
    return settings;
}

namespace {

// The print settings a job starts from: the settings file's, with the title or the first
// file's name as the job's name.
std::optional<platform::PrintSettings> initialSettings(const HostOptions& options, std::string* error)
{
    platform::PrintSettings settings;
    if (options.settingsFile) {
        auto loaded = readSettingsFile(*options.settingsFile, error);
        if (!loaded)
            return std::nullopt;
        settings = std::move(*loaded);
    }
    if (options.title)
        settings.setJobName(*options.title);
    else if (!options.files.empty())
        settings.setJobName(QFileInfo(QString::fromStdString(options.files.front())).fileName().toStdString());
    return settings;
}

}  // namespace

std::unique_ptr<DialogSession> DialogSession::open(const HostOptions& options, HostCallback::AlertPresenter alert,
                                                   std::string* error, const platform::PrintSettings* startFrom)
{
    std::unique_ptr<DialogSession> session(new DialogSession);
    auto printer = resolvePrinter(options.printer, error);
    if (!printer)
        return nullptr;
    session->printer_ = *printer;

    std::optional<platform::PPDFile> ppd;
    if (printer->ppdPath) {
        ppd = platform::PPDFile::open(*printer->ppdPath);
        if (!ppd) {
            *error = "cannot read the PPD " + *printer->ppdPath + ": not a readable PPD file";
            return nullptr;
        }
    }
    session->sealer_ = JobSecretSealer(ppd ? filterSealKey(ppd->get()) : std::nullopt);
    std::optional<std::string> declared = ppd ? ppd->attribute("APDialogExtension") : std::nullopt;
    if (options.printer.noPPD)
        declared = KORVANE_BUNDLE_NAME;  // the host still knows which extension the printer has

    std::optional<platform::PrintSettings> settings = startFrom ? *startFrom : initialSettings(options, error);
    if (!settings)
        return nullptr;

    platform::PrintSession printSession(platform::Printer(printer->name, printer->deviceURI));
    const bool handsPPD = !options.printer.noPPD;
    session->callback_ =
        std::make_unique<HostCallback>(handsPPD ? std::move(ppd) : std::nullopt, std::move(printSession),
                                       options.constraintHandling, std::move(alert));
    session->callback_->settings() = std::move(*settings);
    session->callback_->setPreferredLayoutName(options.layout);
    // The host's PPD keeps the marks even when the panels are given none.
    session->choices_ = std::make_unique<JobChoices>(handsPPD ? session->callback_->ppdFile() : nullptr);
    session->choices_->setCopies(options.copies);
    session->startFromSavedOptions();

    auto bundle = findDeclaredBundle(declared);
    if (!bundle) {
        session->noPanelReason_ = declared ? "the extension " + *declared + " is not installed"
                                           : "the printer's PPD declares no dialog extension";
        return session;
    }
    session->plugIn_ = LoadedPlugIn::load(*bundle, error);
    if (!session->plugIn_)
        return nullptr;
    auto panels = session->plugIn_->factory()->PDEPanelsForType(platform::kPrinterPanelType, session->callback_.get());
    if (panels)
        session->panels_ = std::move(*panels);
    if (session->panels_.empty())
        session->noPanelReason_ = "the extension offers no panel for this printer";
    return session;
}

DialogSession::~DialogSession()
{
    panels_.clear();
    if (printer_.ppdIsTemporary && printer_.ppdPath)
        std::remove(printer_.ppdPath->c_str());
}

// The options the user keeps for this printer, through its constraints: a kept choice that
// a later one conflicts with gives way, with a note.
void DialogSession::startFromSavedOptions()
{
    if (printer_.isBuiltInSample)
        return;
    for (const auto& [name, value] : savedPrinterOptions(printer_.name, ppdOptionNames())) {
        if (!choices_->isPPDOption(name)) {
            choices_->setOption(name, value);
            continue;
        }
        const ConstraintVerdict verdict = choices_->choosePPDOption(name, value);
        if (!verdict.note.empty())
            startNotes_.push_back(verdict.note);
    }
}

std::set<std::string> DialogSession::ppdOptionNames() const
{
    std::set<std::string> names;
    ppd_file_t* ppd = choices_ ? choices_->ppd() : nullptr;
    if (!ppd)
        return names;
    for (ppd_option_t* option = ppdFirstOption(ppd); option; option = ppdNextOption(ppd))
        names.insert(option->keyword);
    return names;
}

std::set<std::string> DialogSession::panelOptionKeys() const
{
    std::set<std::string> keys;
    for (const auto& panel : panels_)
        for (const std::string& key : panel->supportedPPDOptionKeys())
            keys.insert(key);
    return keys;
}

JobRequest DialogSession::unsealedRequest(const std::vector<std::string>& files, int copies)
{
    const platform::PrintSettings& settings = callback_->settings();
    JobRequest job;
    job.queue = printer_.name;
    job.title = settings.jobName().value_or("");
    job.copies = copies;
    job.options = settings.values();
    for (const auto& [keyword, choice] : choices_->ppdOptions())
        job.options[keyword] = choice;
    choices_->setCopies(copies);
    job.cupsOptions = choices_->cupsOptions();
    job.files = files;
    return job;
}

std::optional<JobRequest> DialogSession::jobRequest(const std::vector<std::string>& files, int copies,
                                                    std::string* error)
{
    JobRequest job = unsealedRequest(files, copies);
    // cupsd sends cupsUser() as the job's owner, whom the filter gets as argv[2].
    if (!sealer_.seal(job.options, cupsUser(), error))
        return std::nullopt;
    return job;
}

std::map<std::string, std::string> DialogSession::jobOptions()
{
    JobRequest job = unsealedRequest({}, choices_->copies());
    std::string unsealable;  // the options stay as they are, and the dump shows them so
    sealer_.seal(job.options, cupsUser(), &unsealable);
    return submittedOptions(job);
}
