#include "GuidePdf.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QSaveFile>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QUrl>

#include <stdexcept>
#include <vector>

namespace {

// Device units are 1/96 inch, so that the point sizes and pixel margins of the Markdown's
// formats mean what they mean on screen. The PDF keeps text and pictures at full precision.
constexpr int kResolution = 96;
constexpr double kFooterHeight = 28.0;

struct ImageUse
{
    int position;
    int length;
    QTextImageFormat format;
};

// Every picture the text names gets its resource and the full text width.
void PlaceImages(QTextDocument &document, const GuideSource &source, double textWidth)
{
    std::vector<ImageUse> uses;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid() && fragment.charFormat().isImageFormat())
                uses.push_back({fragment.position(), fragment.length(), fragment.charFormat().toImageFormat()});
        }
    }
    for (ImageUse &use : uses) {
        const QString name = use.format.name();
        const auto found = source.images.constFind(name);
        if (found == source.images.constEnd() || found->isNull())
            throw std::runtime_error("the guide shows a picture that the tool does not make: " + name.toStdString());
        const QImage &image = *found;
        document.addResource(QTextDocument::ImageResource, QUrl(name), image);
        use.format.setWidth(textWidth);
        use.format.setHeight(textWidth * image.height() / image.width());
        QTextCursor cursor(&document);
        cursor.setPosition(use.position);
        cursor.setPosition(use.position + use.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(use.format);
    }
}

} // namespace

int WriteGuidePdf(const GuideSource &source, const QString &path)
{
    // A run that fails leaves no file behind, so that the next build makes it again.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write " + QFile::encodeName(path).toStdString() + ": "
                                 + file.errorString().toStdString());
    QPdfWriter writer(&file);
    writer.setResolution(kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(20, 16, 20, 12), QPageLayout::Millimeter));
    writer.setTitle(source.title);
    writer.setCreator(QStringLiteral("KELO_HB_METER user-guide"));

    QPainter painter;
    if (!painter.begin(&writer))
        throw std::runtime_error("cannot write " + QFile::encodeName(path).toStdString());

    QTextDocument document;
    document.documentLayout()->setPaintDevice(&writer);
    QFont font(QStringLiteral("Sans Serif"), 10);
    font.setStyleHint(QFont::SansSerif);
    document.setDefaultFont(font);
    document.setDocumentMargin(0);
    document.setMarkdown(source.markdown, QTextDocument::MarkdownDialectGitHub);
    const QSizeF body(writer.width(), writer.height() - kFooterHeight);
    document.setPageSize(body);
    PlaceImages(document, source, body.width());

    const int pages = document.pageCount();
    QFont footerFont = font;
    footerFont.setPointSizeF(8);
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        painter.save();
        const QRectF clip(0, page * body.height(), body.width(), body.height());
        painter.translate(0, -clip.top());
        painter.setClipRect(clip);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = clip;
        document.documentLayout()->draw(&painter, context);
        painter.restore();

        painter.setFont(footerFont);
        painter.setPen(QColor(0x60, 0x60, 0x60));
        const QRectF footer(0, writer.height() - kFooterHeight / 2, body.width(), kFooterHeight / 2);
        painter.drawLine(QPointF(0, footer.top() - 4), QPointF(body.width(), footer.top() - 4));
        painter.drawText(footer, Qt::AlignLeft | Qt::AlignVCenter, source.title);
        painter.drawText(footer, Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("%1 / %2").arg(page + 1).arg(pages));
    }
    if (!painter.end() || !file.commit())
        throw std::runtime_error("cannot write " + QFile::encodeName(path).toStdString() + ": "
                                 + file.errorString().toStdString());
    return pages;
}
