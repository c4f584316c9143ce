#include "plugin_host.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

LoadedPlugIn::LoadedPlugIn(std::unique_ptr<QPluginLoader> loader, platform::PDEPlugIn* factory, std::string bundlePath)
    : loader_(std::move(loader)), factory_(factory), bundlePath_(std::move(bundlePath))
{
}

// Panels made by the factory must be gone before this; the library itself stays mapped,
// as Qt keeps plug-ins loaded until the application ends.
LoadedPlugIn::~LoadedPlugIn() = default;

std::unique_ptr<LoadedPlugIn> LoadedPlugIn::load(const std::string& bundlePath, std::string* error)
{
    const QDir bundle(QString::fromStdString(bundlePath));
    const QString name = QFileInfo(bundle.absolutePath()).completeBaseName();
    const QString library = bundle.filePath(name + ".so");
    auto loader = std::make_unique<QPluginLoader>(library);
    QObject* instance = loader->instance();
    auto* factory = qobject_cast<platform::PDEPlugIn*>(instance);
    if (!factory) {
        if (error)
            *error =
                "cannot load the plug-in " + library.toStdString() + ": " +
                (instance ? std::string("it is not a print dialog extension") : loader->errorString().toStdString());
        return nullptr;
    }
    factory->initWithBundle(bundle.absolutePath().toStdString());
    return std::unique_ptr<LoadedPlugIn>(new LoadedPlugIn(std::move(loader), factory, bundlePath));
}

std::vector<std::string> bundleSearchPath()
{
    std::vector<std::string> folders;
    const QString extra = qEnvironmentVariable("KORVANE_PLUGIN_PATH");
    for (const QString& folder : extra.split(':', Qt::SkipEmptyParts))
        folders.push_back(folder.toStdString());
    const QString here = QCoreApplication::applicationDirPath();
    folders.push_back(here.toStdString());
    // The install tree: <prefix>/bin/korvane-print and <prefix>/<plugin dir>/.
    folders.push_back(QDir::cleanPath(here + "/../" KORVANE_INSTALL_PLUGIN_DIR).toStdString());
    return folders;
}

std::optional<std::string> findDeclaredBundle(const std::optional<std::string>& dialogExtension)
{
    if (!dialogExtension || dialogExtension->empty())
        return std::nullopt;
    QString declared = QString::fromStdString(*dialogExtension);
    while (declared.endsWith('/'))
        declared.chop(1);
    const QString name = QFileInfo(declared).fileName();
    if (!name.endsWith(".plugin"))
        return std::nullopt;
    for (const std::string& folder : bundleSearchPath()) {
        const QString candidate = QDir(QString::fromStdString(folder)).filePath(name);
        if (QFileInfo(candidate).isDir())
            return candidate.toStdString();
    }
    return std::nullopt;
}
