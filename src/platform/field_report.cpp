#include "platform/field_report.h"

#include <QJsonArray>

namespace platform {

void FieldReport::add(const std::string& name, bool value)
{
    object_.insert(QString::fromStdString(name), value);
}

void FieldReport::add(const std::string& name, std::int64_t value)
{
    object_.insert(QString::fromStdString(name), static_cast<qint64>(value));
}

void FieldReport::add(const std::string& name, const std::string& value)
{
    object_.insert(QString::fromStdString(name), QString::fromStdString(value));
}

void FieldReport::add(const std::string& name, const std::vector<std::string>& values)
{
    QJsonArray array;
    for (const std::string& value : values)
        array.append(QString::fromStdString(value));
    object_.insert(QString::fromStdString(name), array);
}

void FieldReport::add(const std::string& name, const std::vector<FieldReport>& entries)
{
    QJsonArray array;
    for (const FieldReport& entry : entries)
        array.append(entry.object());
    object_.insert(QString::fromStdString(name), array);
}

}  // namespace platform
