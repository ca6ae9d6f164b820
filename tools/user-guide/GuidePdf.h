#pragma once
// One user guide: a Markdown text laid out on A4 pages with QTextDocument and written as PDF
// with QPdfWriter. Images the text names are taken from the given resources (the main-window
// picture) and scaled to the text width; each page gets a footer with the title and the page
// number. GUI thread (fonts).

#include <QImage>
#include <QMap>
#include <QString>

struct GuideSource
{
    QString markdown;
    QString title;                       // the PDF's title and the footer's text
    QMap<QString, QImage> images;        // by the name the Markdown uses, e.g. main-window.png
};

// Writes the PDF to path (the folder must exist; the file appears only when it is complete)
// and returns its page count. Throws std::runtime_error when an image the text names is not
// among the resources or the file cannot be written.
int WriteGuidePdf(const GuideSource &source, const QString &path);
