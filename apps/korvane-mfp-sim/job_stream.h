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

    const JobHeader& header() const { return m_header; }
    const QString& reason() const { return m_reason; }
    bool documentStarted() const { return m_phase != Phase::Header; }
    bool receivedAnything() const { return m_receivedAnything; }

private:
    enum class Phase { Header, Document, Trailer, Done, Refused };

    void takeHeaderByte(char c);
    void takeHeaderLine();
    bool takeSetLine(const QByteArray& line);
    bool takeEnterLine(const QByteArray& line);
    QString missingCompanion() const;
    void takeTrailer(QByteArrayView bytes);
    QString lineFault(const QString& what = {}) const;

    const qint64 m_maxDocumentBytes;
    Phase m_phase = Phase::Header;
    JobHeader m_header;
    QByteArray m_line;
    int m_lineNumber = 1;
    qint64 m_headerBytes = 0;
    qint64 m_documentLeft = 0;
    QByteArray m_trailer;
    QString m_reason;
    bool m_receivedAnything = false;
};

bool valueHasItsForm(const QByteArray& name, const QByteArray& value);

}  // namespace mfpsim
