// PDF documents through poppler: the first page is the picture. A page is a vector source: its
// size is in points, and it is rendered at whatever resolution is asked for.

#include "platform/ImageSourceBackends.h"

#include "platform/ColorManagement.h"

#include <climits>
#include <cmath>

#if LUMORY_HAVE_POPPLER
#include <poppler-qt6.h>

namespace lmrimage {
namespace {

void ignorePopplerMessage(const QString &, const QVariant &) {}

class PdfSource : public LMRImageSource
{
public:
    PdfSource(const QString &path, std::unique_ptr<Poppler::Document> document, std::unique_ptr<Poppler::Page> page)
        : LMRImageSource(path), m_document(std::move(document)), m_page(std::move(page)) {}

    QSize pixelSize() override
    {
        // A page may claim any size; one wider than an int is told as the widest there is.
        const QSizeF points = m_page->pageSizeF();
        auto side = [](double v) { return int(qBound(0.0, v, double(INT_MAX))); };
        return QSize(side(points.width()), side(points.height()));
    }

    QImage thumbnail(int maxPixelSize) override { return render(maxPixelSize); }

    LMRImage fullImage() override
    {
        const QSizeF points = m_page->pageSizeF();
        // Twice the page's size in points is sharp on high-density screens; the cap keeps a
        // poster-sized page from taking gigabytes.
        const double longer = qMax(points.width(), points.height());
        const QImage image = render(int(qMin(4096.0, 2 * longer)));
        return {image, points, false};
    }

private:
    QImage render(int longestSide)
    {
        const QSizeF points = m_page->pageSizeF();
        if (!(points.width() > 0) || !(points.height() > 0) || longestSide <= 0)
            return {};
        // Each side of the raster is at least a pixel, and the page is drawn across it: a page
        // of extreme proportions (1e7 x 1 pt) gives the line that fits, not a blank.
        const double scale = longestSide / qMax(points.width(), points.height());
        const double width = qBound(1.0, std::round(points.width() * scale), double(longestSide));
        const double height = qBound(1.0, std::round(points.height() * scale), double(longestSide));
        // Rounding inside poppler can give one pixel too many.
        // poppler draws in sRGB; only a display profile changes anything.
        return LMRColorManagement::convertToOutput(
            scaledToFit(m_page->renderToImage(72.0 * width / points.width(), 72.0 * height / points.height()),
                        longestSide),
            QByteArray());
    }

    std::unique_ptr<Poppler::Document> m_document;
    std::unique_ptr<Poppler::Page> m_page;
};

std::unique_ptr<LMRImageSource> openPdf(const QString &path, const QString &)
{
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document || document->isLocked() || document->numPages() < 1)
        return nullptr;
    std::unique_ptr<Poppler::Page> page = document->page(0);
    if (!page)
        return nullptr;
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    return std::make_unique<PdfSource>(path, std::move(document), std::move(page));
}

} // namespace

void initializePdf()
{
    Poppler::setDebugErrorFunction(ignorePopplerMessage, QVariant());
}

Backend pdfBackend()
{
    return {{QStringLiteral("application/pdf")}, openPdf};
}

} // namespace lmrimage

#else

namespace lmrimage {
void initializePdf() {}
Backend pdfBackend() { return {}; }
}

#endif
