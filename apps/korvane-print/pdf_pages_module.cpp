// The module that draws PDF pages for the preview, through poppler's Qt binding.
#include "pdf_pages.h"

#include <poppler-qt6.h>

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <memory>

// Opens the document and draws its first pages; see RenderPdfPages.
extern "C" Q_DECL_EXPORT bool korvaneRenderPdfPages(const char* path, int maxPages, int longestSidePixels,
                                                    PdfPages* result, std::string* error)
{
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(QString::fromUtf8(path));
    if (!document || document->isLocked()) {
        *error = document ? "the PDF document is locked with a password" : "the file is not a readable PDF document";
        return false;
    }
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    result->pageCount = document->numPages();
    for (int i = 0; i < result->pageCount && i < maxPages; ++i) {
        std::unique_ptr<Poppler::Page> page = document->page(i);
        if (!page)
            break;
        const QSizeF points = page->pageSizeF();
        const double dpi = 72.0 * longestSidePixels / std::max(points.width(), points.height());
        result->pages.push_back(page->renderToImage(dpi, dpi));
    }
    return true;
}
