// Command-line settings of the folder-service stand-in: the folders it lists and how it behaves.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "job_rules.h"

#include <chrono>
#include <optional>

namespace mfpsim {

// One custom folder as the service reports it.
struct Folder {
    QString name;
    bool isProtected = false;  // needs a folder password
    bool isDirectory = false;
};

// How the service treats a request to its path.
enum class Mode {
    Ok,           // answer at once with the folder list
    Late,         // answer after lateSeconds
    Silent,       // read the request, never answer, keep the connection open
    Close,        // read the request, then close without a word
    Pieces,       // answer in small pieces with pauses between them
    Http500,      // HTTP 500 with a SOAP fault
    Unsupported,  // result-code "unsupported-operation" and no folders
    NotXml,       // 200 with a body that is no XML at all
};

// Everything the command line decides.
struct SimOptions {
    quint16 port = 0;
    Mode mode = Mode::Ok;
    double lateSeconds = 0.0;
    int pieceBytes = 40;
    int piecePauseMs = 20;
    bool chunked = false;
    bool strict = false;
    bool verbose = false;
    QList<Folder> folders;
    std::optional<QByteArray> replyBody;  // --reply: served instead of the generated body
    QString recordPath;                   // --record: empty when not recording
    qint64 maxHeaderBytes = 64 * 1024;
    qint64 maxBodyBytes = 1024 * 1024;
    std::chrono::seconds requestDeadline{30};  // for one whole HTTP request
    // The printer: its print port, job store and users.
    std::optional<quint16> printPort;  // absent: no print port
    QString stateDirectory;            // empty: a private temporary folder
    UserDirectory users;
    std::optional<QByteArray> adminPassword;  // deletes any job; absent: no administrator
    qint64 maxJobBytes = 256 * 1024 * 1024;
    std::chrono::seconds jobDeadline{300};  // for one whole job on the print port
};

// Outcome of reading the command line.
struct ParseOutcome {
    std::optional<SimOptions> options;  // absent when the program should stop
    QString message;                    // help text, or the error
    bool isError = false;
};

ParseOutcome parseCommandLine(const QStringList& arguments);

std::optional<Folder> parseFolderArgument(const QString& argument, QString* error);
std::optional<QList<Folder>> parseFolderList(const QByteArray& contents, QString* error);

}  // namespace mfpsim
