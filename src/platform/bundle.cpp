#include "platform/bundle.h"

#include <dlfcn.h>

#include <QFile>
#include <QFileInfo>
#include <QTranslator>

#include <cstdlib>

namespace platform {

namespace {

// The translations' context: the default strings table.
constexpr const char* kStringsTable = "Localizable";

// The first language of a POSIX locale or language list ("de_DE.UTF-8", "ja:en").
std::string languageOf(const char* value)
{
    std::string text(value);
    text = text.substr(0, text.find(':'));
    text = text.substr(0, text.find_first_of("_.@"));
    return text;
}

}  // namespace

Bundle::Bundle(std::string path) : path_(std::move(path))
{
    while (path_.size() > 1 && path_.back() == '/')
        path_.pop_back();
}

Bundle Bundle::containing(const void* address)
{
    Dl_info info{};
    if (dladdr(address, &info) == 0 || !info.dli_fname)
        return {};
    return Bundle(QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath().toStdString());
}

std::optional<std::string> Bundle::pathForResource(const std::string& name, const std::string& type) const
{
    if (!isValid())
        return std::nullopt;
    std::string file = resourcesPath() + "/" + name + (type.empty() ? "" : "." + type);
    if (!QFileInfo(QString::fromStdString(file)).isFile())
        return std::nullopt;
    return file;
}

std::optional<ByteBuffer> Bundle::contentsOfResource(const std::string& name, const std::string& type) const
{
    auto path = pathForResource(name, type);
    if (!path)
        return std::nullopt;
    QFile file(QString::fromStdString(*path));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    return ByteBuffer(bytes.begin(), bytes.end());
}

std::string Bundle::localizedString(const std::string& key) const
{
    const QTranslator* table = translator();
    if (!table)
        return key;
    const QString translated = table->translate(kStringsTable, key.c_str());
    return translated.isEmpty() ? key : translated.toStdString();
}

const QTranslator* Bundle::translator() const
{
    if (!translatorLoaded_) {
        translatorLoaded_ = true;
        auto loaded = std::make_shared<QTranslator>();
        const QString file =
            QString::fromStdString(resourcesPath() + "/" + translationsName_ + "_" + userLanguage() + ".qm");
        if (isValid() && !translationsName_.empty() && loaded->load(file))
            translator_ = std::move(loaded);
    }
    return translator_.get();
}

std::string userLanguage()
{
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (!value || !*value)
            continue;
        std::string language = languageOf(value);
        if (language.empty() || language == "C" || language == "POSIX")
            return "en";
        return language;
    }
    return "en";
}

}  // namespace platform
