// The dialog's Preview page: the first sheets of the first file, redrawn when the paper size
// or the orientation changes.
#pragma once

#include "document_preview.h"

#include <QWidget>

#include <string>

class QHBoxLayout;
class QLabel;
class QScrollArea;

class PreviewPage : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPage(QWidget* parent = nullptr);

    // The file to preview; empty for none.
    void setDocument(const std::string& path);
    // The sheet the pages go on: the paper of that name (a PPD page size with the PPD, which
    // is only read here, or an IPP media name). A paper of unknown size is drawn as A4, and
    // the caption says so.
    void setPaper(const std::string& name, ppd_file_t* ppd, bool landscape);
    // Draws the sheets again when something changed since; the page calls this when shown.
    void refresh();
    const DocumentPreview& preview() const { return preview_; }

private:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    PreviewRequest request_;
    QString paperNote_;  // why the sheet is not the job's paper, when it is not
    DocumentPreview preview_;
    bool stale_ = true;
    QLabel* caption_ = nullptr;
    QHBoxLayout* sheets_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    int renderedHeight_ = -1;
};
