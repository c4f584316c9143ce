#include "document_preview.h"

#include "pdf_pages.h"
#include "plugin_host.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLibrary>
#include <QMimeDatabase>
#include <QPainter>
#include <QStringList>
#include <QTextStream>

namespace {

// The most bytes of a text file the preview reads: more than its first pages hold.
constexpr qint64 kMaxPreviewTextBytes = 256 * 1024;
// Lines of text on one previewed sheet, as a text filter sets them at 10 points.
constexpr int kTextLinesPerSheet = 66;

// A white sheet of the paper, in pixels, with its orientation applied.
QImage blankSheet(const PreviewRequest& request)
{
    const double scale = request.sheetWidthPixels / request.paperPoints.width();
    QSizeF size = request.paperPoints * scale;
    if (request.landscape)
        size.transpose();
    QImage sheet(size.toSize(), QImage::Format_RGB32);
    sheet.fill(Qt::white);
    return sheet;
}

// Draws the page's picture centred on the sheet, scaled to fit, as the filters fit a page
// to the paper.
void drawFitted(QImage& sheet, const QImage& page)
{
    QPainter painter(&sheet);
    const QImage fitted = page.scaled(sheet.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    painter.drawImage((sheet.width() - fitted.width()) / 2, (sheet.height() - fitted.height()) / 2, fitted);
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(sheet.rect().adjusted(0, 0, -1, -1));
}

// The module's function that draws PDF pages, or nothing with why in error.
RenderPdfPages loadPdfPagesModule(std::string* error)
{
    for (const std::string& folder : bundleSearchPath()) {
        const QString file = QDir(QString::fromStdString(folder)).filePath(kPdfPagesModuleFile);
        if (!QFileInfo::exists(file))
            continue;
        // The module stays mapped once the QLibrary is gone: Qt unloads only when asked to.
        QLibrary module(file);
        if (auto render = reinterpret_cast<RenderPdfPages>(module.resolve(kRenderPdfPagesSymbol)))
            return render;
        *error = "the PDF preview cannot be loaded: " + module.errorString().toStdString();
        return nullptr;
    }
    *error = std::string("the PDF preview is not installed (") + kPdfPagesModuleFile + " is in no plug-in folder)";
    return nullptr;
}

std::optional<DocumentPreview> previewPdf(const PreviewRequest& request, std::string* error)
{
    const RenderPdfPages render = loadPdfPagesModule(error);
    if (!render)
        return std::nullopt;
    const QImage firstSheet = blankSheet(request);
    PdfPages pdf;
    if (!render(request.path.c_str(), request.maxPages, std::max(firstSheet.width(), firstSheet.height()), &pdf, error))
        return std::nullopt;
    DocumentPreview preview;
    preview.pageCount = pdf.pageCount;
    for (const QImage& page : pdf.pages) {
        QImage sheet = firstSheet.copy();
        drawFitted(sheet, page);
        preview.sheets.push_back(std::move(sheet));
    }
    return preview;
}

std::optional<DocumentPreview> previewText(const PreviewRequest& request, std::string* error)
{
    QFile file(QString::fromStdString(request.path));
    if (!file.open(QIODevice::ReadOnly)) {
        *error = "cannot read the file: " + file.errorString().toStdString();
        return std::nullopt;
    }
    DocumentPreview preview;
    const QStringList lines = QString::fromUtf8(file.read(kMaxPreviewTextBytes)).split('\n');
    const bool wholeFile = file.atEnd();
    const int sheets = static_cast<int>((lines.size() + kTextLinesPerSheet - 1) / kTextLinesPerSheet);
    preview.pageCount = wholeFile ? std::max(sheets, 1) : sheets;
    for (int s = 0; s < sheets && s < request.maxPages; ++s) {
        QImage sheet = blankSheet(request);
        QPainter painter(&sheet);
        const double lineHeight = sheet.height() * 0.9 / kTextLinesPerSheet;
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPixelSize(std::max(1, static_cast<int>(lineHeight * 0.85)));
        painter.setFont(font);
        painter.setPen(Qt::black);
        const double margin = sheet.width() * 0.06;
        for (int l = 0; l < kTextLinesPerSheet && s * kTextLinesPerSheet + l < lines.size(); ++l)
            painter.drawText(QPointF(margin, sheet.height() * 0.05 + (l + 1) * lineHeight),
                             lines.at(s * kTextLinesPerSheet + l));
        painter.setPen(QColor(160, 160, 160));
        painter.drawRect(sheet.rect().adjusted(0, 0, -1, -1));
        painter.end();
        preview.sheets.push_back(std::move(sheet));
    }
    return preview;
}

}  // namespace

std::optional<DocumentPreview> renderPreview(const PreviewRequest& request, std::string* error)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(QString::fromStdString(request.path));
    if (type.inherits("application/pdf"))
        return previewPdf(request, error);
    if (type.inherits("text/plain"))
        return previewText(request, error);
    *error = "there is no preview for " + type.comment().toStdString() + " files";
    return std::nullopt;
}
