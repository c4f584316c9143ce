// A panel's report of its own fields, for the host's diagnostics (the batch host's --dump).
#pragma once

#include <QJsonObject>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class FieldReport {
public:
    void add(const std::string& name, bool value);
    void add(const std::string& name, std::int64_t value);
    void add(const std::string& name, const std::string& value);
    void add(const std::string& name, const char* value) { add(name, std::string(value)); }
    void add(const std::string& name, const std::vector<std::string>& values);
    void add(const std::string& name, const std::vector<FieldReport>& entries);
    // Adds the value only when there is one: absent fields are left out.
    template <typename T>
    void add(const std::string& name, const std::optional<T>& value)
    {
        if (value)
            add(name, *value);
    }

    const QJsonObject& object() const { return object_; }

private:
    QJsonObject object_;
};

}  // namespace platform
