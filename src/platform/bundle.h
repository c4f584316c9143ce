// The plug-in's bundle: a folder "Name.plugin/" holding the library and "Resources/" with the
// layouts, the request body, the images and the translations.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTranslator;

namespace platform {

using ByteBuffer = std::vector<char>;

class Bundle {
public:
    Bundle() = default;
    explicit Bundle(std::string path);

    // The bundle that holds the code at this address (the library's folder), found through the
    // dynamic loader; an invalid bundle when the address belongs to no file.
    static Bundle containing(const void* address);

    bool isValid() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    std::string resourcesPath() const { return path_ + "/Resources"; }

    // The file "name.type" in the resources folder, when it exists.
    std::optional<std::string> pathForResource(const std::string& name, const std::string& type) const;
    // The bytes of a resource, or nothing when it is missing or unreadable.
    std::optional<ByteBuffer> contentsOfResource(const std::string& name, const std::string& type) const;

    // The translation of key in the default strings table, for the user's language
    // (LANGUAGE, LC_ALL, LC_MESSAGES, LANG); a key without one comes back as itself.
    std::string localizedString(const std::string& key) const;
    // Names the translation files: NAME_LANG.qm in the resources folder. Set before the first
    // lookup; without a name there are no translations.
    void setTranslationsName(std::string name) { translationsName_ = std::move(name); }

private:
    const QTranslator* translator() const;

    std::string path_;
    std::string translationsName_;
    // Loaded on the first lookup and shared by copies of the bundle.
    mutable std::shared_ptr<QTranslator> translator_;
    mutable bool translatorLoaded_ = false;
};

// The language code the user asked for (for example "de"), or "en" when none.
std::string userLanguage();

}  // namespace platform
