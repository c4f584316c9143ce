// The print system's objects as the host hands them to the panel: the print session with its
// current printer, and the job's print settings.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace platform {

// A print queue: its identifier (the CUPS queue name) and its device URI.
class Printer {
public:
    Printer(std::string identifier, std::optional<std::string> deviceURI)
        : identifier_(std::move(identifier)), deviceURI_(std::move(deviceURI))
    {
    }

    // The queue's name; empty when the printer has none.
    const std::string& identifier() const { return identifier_; }
    // The queue's device URI, or nothing when the host does not know it.
    const std::optional<std::string>& deviceURI() const { return deviceURI_; }

private:
    std::string identifier_;
    std::optional<std::string> deviceURI_;
};

// The dialog's print session: which printer is current.
class PrintSession {
public:
    PrintSession() = default;
    explicit PrintSession(std::optional<Printer> current) : current_(std::move(current)) {}

    // The current printer, or nullptr when the session has none.
    const Printer* currentPrinter() const { return current_ ? &*current_ : nullptr; }
    void setCurrentPrinter(std::optional<Printer> printer) { current_ = std::move(printer); }

private:
    std::optional<Printer> current_;
};

// The job's print settings: string values by key, kept sorted by key, plus the job's name.
class PrintSettings {
public:
    // The value stored under key, or nothing when the key is absent.
    std::optional<std::string> value(const std::string& key) const;
    // Stores value under key, replacing an earlier one.
    void setValue(const std::string& key, const std::string& value);
    // Removes key; nothing happens when it is absent.
    void removeValue(const std::string& key);
    bool contains(const std::string& key) const { return values_.count(key) != 0; }

    const std::map<std::string, std::string>& values() const { return values_; }

    // The job's name, or nothing when the host gave none.
    const std::optional<std::string>& jobName() const { return jobName_; }
    void setJobName(std::optional<std::string> name) { jobName_ = std::move(name); }

private:
    std::map<std::string, std::string> values_;
    std::optional<std::string> jobName_;
};

}  // namespace platform
