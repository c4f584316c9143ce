#include "preview_page.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QVBoxLayout>

#include <cstdlib>

namespace {

// The caption's word on a sheet drawn as A4 because the paper's size is not known.
QString unknownPaperNote(const std::string& name)
{
    if (name.empty())
        return PreviewPage::tr("The printer does not say its paper size; shown on A4.");
    return PreviewPage::tr("The size of the paper \u201c%1\u201d is not known; shown on A4.")
        .arg(QString::fromStdString(name));
}

}  // namespace

// Lays out the page: a caption saying what is shown, the sheets side by side below it.
PreviewPage::PreviewPage(QWidget* parent) : QWidget(parent)
{
    setObjectName("previewPage");
    caption_ = new QLabel(this);
    caption_->setObjectName("previewCaption");
    caption_->setWordWrap(true);
    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(true);
    scroll_->setObjectName("previewScroll");
    scroll_->setAccessibleName(tr("Preview of the first pages"));
    auto* strip = new QWidget(scroll_);
    sheets_ = new QHBoxLayout(strip);
    sheets_->addStretch(1);
    scroll_->setWidget(strip);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addWidget(scroll_, 1);
}

// Another file: drawn when the page is next in sight.
void PreviewPage::setDocument(const std::string& path)
{
    request_.path = path;
    stale_ = true;
    if (isVisible())
        refresh();
}

// Another paper or orientation: drawn when the page is next in sight.
void PreviewPage::setPaper(const std::string& name, ppd_file_t* ppd, bool landscape)
{
    const std::optional<QSizeF> size = paperSizeInPoints(name, ppd);
    const QSizeF points = size.value_or(kFallbackPaperPoints);
    const QString note = size ? QString() : unknownPaperNote(name);
    if (request_.paperPoints == points && request_.landscape == landscape && paperNote_ == note)
        return;
    request_.paperPoints = points;
    request_.landscape = landscape;
    paperNote_ = note;
    stale_ = true;
    if (isVisible())
        refresh();
}

// Renders the sheets anew, as high as the page leaves room for, and says how many pages
// the document has.
void PreviewPage::refresh()
{
    if (!stale_)
        return;
    stale_ = false;
    while (sheets_->count() > 1) {
        QLayoutItem* item = sheets_->takeAt(0);
        delete item->widget();
        delete item;
    }
    if (request_.path.empty()) {
        preview_ = {};
        caption_->setText(tr("There is no file to preview."));
        return;
    }
    // A whole sheet in sight: as high as the page leaves room for, and no wider.
    const int height = std::max(160, scroll_->viewport()->height() - 24);
    const int width = std::max(120, scroll_->viewport()->width() - 24);
    const QSizeF paper = request_.paperPoints;
    const double portraitShape = paper.width() / paper.height();
    // The width of the sheet's portrait side (a landscape sheet is as high as it).
    const double fitHeight = request_.landscape ? height : height * portraitShape;
    const double fitWidth = request_.landscape ? width * portraitShape : width;
    request_.sheetWidthPixels = static_cast<int>(std::min(fitHeight, fitWidth));
    renderedHeight_ = scroll_->viewport()->height();
    std::string problem;
    std::optional<DocumentPreview> preview = renderPreview(request_, &problem);
    preview_ = preview ? std::move(*preview) : DocumentPreview{};
    const QString name = QFileInfo(QString::fromStdString(request_.path)).fileName();
    if (!preview) {
        caption_->setText(tr("%1: %2.").arg(name, QString::fromStdString(problem)));
        return;
    }
    const int shown = static_cast<int>(preview_.sheets.size());
    QString caption;
    if (shown == preview_.pageCount)
        caption = preview_.pageCount == 1 ? tr("%1: its one page, as it will print.").arg(name)
                                          : tr("%1: all %2 pages, as they will print.").arg(name).arg(shown);
    else
        caption =
            tr("%1: the first %2 of its %3 pages, as they will print.").arg(name).arg(shown).arg(preview_.pageCount);
    caption_->setText(paperNote_.isEmpty() ? caption : caption + ' ' + paperNote_);
    for (std::size_t i = 0; i < preview_.sheets.size(); ++i) {
        auto* sheet = new QLabel;
        sheet->setObjectName(QString("previewSheet%1").arg(i + 1));
        sheet->setPixmap(QPixmap::fromImage(preview_.sheets[i]));
        sheet->setAlignment(Qt::AlignTop);
        sheet->setAccessibleName(tr("Page %1").arg(i + 1));
        sheets_->insertWidget(static_cast<int>(i), sheet);
    }
}

// A page that grew or shrank draws its sheets at the new height.
void PreviewPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (std::abs(scroll_->viewport()->height() - renderedHeight_) > 8) {
        stale_ = true;
        if (isVisible())
            refresh();
    }
}

// Draws what changed while the page was out of sight.
void PreviewPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
}
