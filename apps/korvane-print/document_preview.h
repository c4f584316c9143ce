// The first pages of a document as they will print: each page drawn onto a sheet of the
// job's paper size and orientation. PDF through the module of pdf_pages.h, plain text as
// text.
#pragma once

#include "paper_sizes.h"

#include <QImage>
#include <QSizeF>

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
    std::string error;           // why there is no preview, when there is none
};

// The preview of the request's document.
DocumentPreview renderPreview(const PreviewRequest& request);
