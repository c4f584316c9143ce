#include "preview_page.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QVBoxLayout>

PreviewPage::PreviewPage(QWidget* parent) : QWidget(parent)
{
    setObjectName("previewPage");
    caption_ = new QLabel(this);
    caption_->setObjectName("previewCaption");
    caption_->setWordWrap(true);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setObjectName("previewScroll");
    scroll->setAccessibleName(tr("Preview of the first pages"));
    auto* strip = new QWidget(scroll);
    sheets_ = new QHBoxLayout(strip);
    sheets_->addStretch(1);
    scroll->setWidget(strip);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addWidget(scroll, 1);
}

void PreviewPage::setDocument(const std::string& path)
{
    request_.path = path;
    stale_ = true;
    if (isVisible())
        refresh();
}

void PreviewPage::setPaper(const QSizeF& points, bool landscape)
{
    if (request_.paperPoints == points && request_.landscape == landscape)
        return;
    request_.paperPoints = points;
    request_.landscape = landscape;
    stale_ = true;
    if (isVisible())
        refresh();
}

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
    preview_ = renderPreview(request_);
    const QString name = QFileInfo(QString::fromStdString(request_.path)).fileName();
    if (!preview_.error.empty()) {
        caption_->setText(tr("%1: %2.").arg(name, QString::fromStdString(preview_.error)));
        return;
    }
    caption_->setText(tr("%1: the first %n page(s) of %2, as they will print.", nullptr,
                         static_cast<int>(preview_.sheets.size()))
                          .arg(name)
                          .arg(preview_.pageCount));
    for (std::size_t i = 0; i < preview_.sheets.size(); ++i) {
        auto* sheet = new QLabel;
        sheet->setObjectName(QString("previewSheet%1").arg(i + 1));
        sheet->setPixmap(QPixmap::fromImage(preview_.sheets[i]));
        sheet->setAlignment(Qt::AlignTop);
        sheet->setAccessibleName(tr("Page %1").arg(i + 1));
        sheets_->insertWidget(static_cast<int>(i), sheet);
    }
}

void PreviewPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
}
