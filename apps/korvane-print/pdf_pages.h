// The PDF half of the preview lives in a module of its own, loaded when a PDF is first
// previewed: the PDF library and all it pulls in (colour management, image codecs, a crypto
// library) are then mapped by the windows that show a preview, not by every run of the host.
#pragma once

#include <QImage>

#include <string>
#include <vector>

struct PdfPages {
    std::vector<QImage> pages;  // the first pages, each drawn at the size asked for
    int pageCount = 0;          // of the whole document
};

// Draws the first maxPages pages of the PDF at path, each with its longer side
// longestSidePixels long, into pages; false, with why in error, when the file is no PDF it can
// open.
using RenderPdfPages = bool (*)(const char* path, int maxPages, int longestSidePixels, PdfPages* pages,
                                std::string* error);

// The module's file, found in the folders the host searches for its plug-ins, and the name of
// the RenderPdfPages it exports.
inline constexpr char kPdfPagesModuleFile[] = "korvane-pdf-pages.so";
inline constexpr char kRenderPdfPagesSymbol[] = "korvaneRenderPdfPages";
