// Reading the device stream of one job (job-control header, document, job end) as it arrives.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMap>
#include <QString>

#include <functional>

namespace mfpsim {

// The settings of one job in the forms its header carried them.
struct JobHeader {
    QMap<QByteArray, QByteArray> settings;  // SET NAME -> VALUE, unchanged
    QByteArray language;                    // as announced by ENTER
    qint64 documentSize = 0;

    QByteArray value(const char* name) const { return settings.value(name); }
    bool has(const char* name) const { return settings.contains(name); }
};

// Takes document bytes as they arrive; false when they cannot be kept.
using DocumentSink = std::function<bool(QByteArrayView)>;

// Follows one job's stream byte by byte, so nothing but the current header line is buffered.
class JobStreamReader {
public:
    enum class Status { Reading, Complete, Refused };

    explicit JobStreamReader(qint64 maxDocumentBytes);

    Status feed(QByteArrayView bytes, const DocumentSink& sink);
    Status finish();
    void refuse(const QString& reason);

    const JobHeader& header() const { return header_; }
    const QString& reason() const { return reason_; }
    bool receivedAnything() const { return receivedAnything_; }

private:
    enum class Phase { Header, Document, Trailer, Done, Refused };

    void takeHeaderByte(char c);
    void takeHeaderLine();
    bool takeSetLine(const QByteArray& line);
    bool takeEnterLine(const QByteArray& line);
    QString missingCompanion() const;
    void takeTrailer(QByteArrayView bytes);
    QString lineFault(const QString& what = {}) const;

    const qint64 maxDocumentBytes_;
    Phase phase_ = Phase::Header;
    JobHeader header_;
    QByteArray line_;
    int lineNumber_ = 1;
    qint64 headerBytes_ = 0;
    qint64 documentLeft_ = 0;
    QByteArray trailer_;
    QString reason_;
    bool receivedAnything_ = false;
};

bool valueHasItsForm(const QByteArray& name, const QByteArray& value);

}  // namespace mfpsim
