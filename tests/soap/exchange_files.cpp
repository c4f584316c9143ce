#include "exchange_files.h"

#include <QFile>
#include <QTcpServer>

namespace soaptest {

quint16 closedPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

platform::ByteBuffer requestBody()
{
    const auto bytes = fileContents(KORVANE_TEST_SOURCE_DIR "/src/resources/listfiles.xml");
    return bytes ? platform::ByteBuffer(bytes->begin(), bytes->end()) : platform::ByteBuffer{};
}

std::optional<QByteArray> fileContents(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool writeFile(const std::string& path, const QByteArray& bytes)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

}  // namespace soaptest
