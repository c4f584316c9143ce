// The first pages of a document as they will print: each page drawn onto a sheet of the
// job's paper size and orientation. PDF through the module of pdf_pages.h, plain text as
// text.
#pragma once

#include "paper_sizes.h"

#include <QImage>
#include <QSizeF>

#include <optional>
#include <string>
#include <vector>

struct PreviewRequest {
    std::string path;
    QSizeF paperPoints = kFallbackPaperPoints;  // the paper's width and height, portrait, in points
    bool landscape = false;
    int maxPages = 4;
    int sheetWidthPixels = 300;  // the width of a portrait sheet in the picture
};

struct DocumentPreview {
    std::vector<QImage> sheets;  // the first pages, one sheet each
    int pageCount = 0;           // of the whole document
};

// The preview of the request's document; nothing, with why in error, when there is none.
std::optional<DocumentPreview> renderPreview(const PreviewRequest& request, std::string* error);
