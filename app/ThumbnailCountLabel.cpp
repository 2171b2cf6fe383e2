#include "app/ThumbnailCountLabel.h"

#include "app/AppDelegate.h"
#include "grid/ImageCollectionView.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLocale>

QString LMRThumbnailCountText(quint64 count, qint64 selected, qint64 width, qint64 height)
{
    const QLocale locale;
    const QString countText = locale.toString(count);
    if (count == 1) {
        if (selected <= 0)
            return QCoreApplication::translate("AppDelegate", "1 image");
        return QCoreApplication::translate("AppDelegate", "1 of 1 selected \u2022 %1 \u00d7 %2").arg(width).arg(height);
    }
    if (selected <= 0)
        return QCoreApplication::translate("AppDelegate", "%1 images").arg(countText);
    if (selected == 1)
        return QCoreApplication::translate("AppDelegate", "%1 of %2 selected \u2022 %3 \u00d7 %4")
            .arg(locale.toString(selected), countText)
            .arg(width)
            .arg(height);
    return QCoreApplication::translate("AppDelegate", "%1 of %2 selected").arg(locale.toString(selected), countText);
}

void AppDelegate::setThumbnailCount(quint64 count)
{
    if (!thumbnailCountLabel)
        return;
    qint64 selected = 0;
    qint64 width = 0;
    qint64 height = 0;
    if (thumbnailsCollectionView) {
        const LMRIndexSet &selection = thumbnailsCollectionView->selection();
        selected = selection.count();
        const qint64 first = selection.firstIndex();
        if (selected > 0 && (count == 1 || selected == 1) && first >= 0 && quint64(first) < thumbnailItems.size()) {
            const LMRImageItemPtr &item = thumbnailItems[size_t(first)];
            // A size not known yet is read from the file's header; one that cannot be read
            // shows as 0 x 0.
            if (item->pixelWidth() == 0 && item->pixelHeight() == 0)
                item->cacheImageSize();
            width = item->pixelWidth();
            height = item->pixelHeight();
        }
    }
    thumbnailCountLabel->setText(LMRThumbnailCountText(count, selected, width, height));
    // The list and the selection both change through here; the commands follow them.
    scheduleCommandValidation();
}
