// icon-render: draws one SVG into square PNGs laid out as an icon theme folder,
// <out-dir>/<size>x<size>/apps/<name>.png, where <name> is the SVG's file name without its
// extension.
//
//   icon-render SVG OUT-DIR SIZE...
//
// The background stays transparent and edges are antialiased; a drawing that is not square
// keeps its proportions and is centred. Each PNG is written under a temporary name and renamed
// into place, so a failed run leaves no half-written icon. Exit 0 when every size was written,
// 1 when the SVG cannot be read or a PNG cannot be written (with the reason on standard error),
// 2 for a wrong command line.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>

#include <cstdio>
#include <vector>

namespace {

// Large enough for any icon theme size; an accidental extra digit should not fill the disk.
constexpr int kLargestSize = 4096;

int Usage(const char *problem)
{
    if (problem)
        std::fprintf(stderr, "icon-render: %s\n", problem);
    std::fputs("usage: icon-render SVG OUT-DIR SIZE...\n"
               "Writes OUT-DIR/<SIZE>x<SIZE>/apps/<name of SVG>.png for each SIZE (1-4096 pixels).\n",
               stderr);
    return 2;
}

int Fail(const QString &message)
{
    std::fprintf(stderr, "icon-render: %s\n", message.toLocal8Bit().constData());
    return 1;
}

QImage Render(QSvgRenderer &renderer, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4)
        return Usage(argc == 1 ? nullptr : "give the SVG, the output folder and at least one size");
    std::vector<int> sizes;
    for (int i = 3; i < argc; ++i) {
        bool number = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&number);
        if (!number || size < 1 || size > kLargestSize)
            return Usage((QByteArrayLiteral("not a size in pixels: ") + argv[i]).constData());
        sizes.push_back(size);
    }

    // The build has no display; an SVG with text still needs the fonts a GUI application finds.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    const QString svg = QFile::decodeName(argv[1]);
    const QString outDir = QFile::decodeName(argv[2]);
    if (!QFileInfo(svg).isFile())
        return Fail(svg + QStringLiteral(": no such file"));
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return Fail(svg + QStringLiteral(": not a valid SVG drawing"));
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    const QString name = QFileInfo(svg).completeBaseName() + QStringLiteral(".png");

    for (const int size : sizes) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
        if (!QDir().mkpath(folder))
            return Fail(QStringLiteral("cannot create the folder ") + folder);
        const QString path = folder + QLatin1Char('/') + name;
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return Fail(QStringLiteral("cannot write ") + path + QStringLiteral(": ") + file.errorString());
        if (!Render(renderer, size).save(&file, "PNG") || !file.commit())
            return Fail(QStringLiteral("cannot write ") + path + QStringLiteral(": ") + file.errorString());
    }
    return 0;
}
