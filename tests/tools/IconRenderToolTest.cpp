// The icon drawer as the build runs it: the program's SVG icon becomes square PNGs in the icon
// theme's folders, drawn on a transparent background; a drawing it cannot read or a folder it
// cannot write fails with a reason and leaves no icon behind.

#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QString err;
};

ToolRun RunIconRender(const QStringList &arguments)
{
    ChildProcess process(QStringLiteral(KELO_ICON_RENDER), arguments);
    ToolRun run;
    if (!process.waitForFinished(std::chrono::seconds(60))) {
        run.err = QStringLiteral("icon-render did not finish");
        return run;
    }
    run.exitCode = process.exitCode();
    run.err = QString::fromLocal8Bit(process.standardError());
    return run;
}

class IconRenderTool : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Path(const QString &relative) const { return dir_.filePath(relative); }
    QString Png(const QString &outDir, int size, const QString &name) const
    {
        return QStringLiteral("%1/%2x%2/apps/%3.png").arg(outDir).arg(size).arg(name);
    }

    QTemporaryDir dir_;
};

TEST_F(IconRenderTool, DrawsTheProgramIconOnATransparentSquare)
{
    const QString svg = QStringLiteral(KELO_SOURCE_DIR "/data/icons/kelo-hb-meter.svg");
    const QString out = Path(QStringLiteral("hicolor"));
    const ToolRun run = RunIconRender({svg, out, QStringLiteral("16"), QStringLiteral("48")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    for (const int size : {16, 48}) {
        const QImage image(Png(out, size, QStringLiteral("kelo-hb-meter")));
        ASSERT_FALSE(image.isNull()) << size << " px: no PNG";
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_TRUE(image.hasAlphaChannel()) << size << " px";
        for (const QPoint corner : {QPoint(0, 0), QPoint(size - 1, 0), QPoint(0, size - 1), QPoint(size - 1, size - 1)})
            EXPECT_EQ(qAlpha(image.pixel(corner)), 0) << size << " px: corner " << corner.x() << "," << corner.y();
        // The drop fills much of the square in its red; the pulse line on it stays white.
        int red = 0;
        int white = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) < 255)
                    continue;
                if (qRed(pixel) > 140 && qGreen(pixel) < 80 && qBlue(pixel) < 90)
                    ++red;
                else if (qRed(pixel) > 230 && qGreen(pixel) > 230 && qBlue(pixel) > 230)
                    ++white;
            }
        }
        EXPECT_GT(red, size * size / 5) << size << " px: too little of the drop's red";
        EXPECT_GT(white, size / 2) << size << " px: no pulse line";
    }
}

TEST_F(IconRenderTool, FailsWithAReasonAndWritesNoIcon)
{
    const QString broken = Path(QStringLiteral("broken.svg"));
    testsupport::WriteFileBytes(broken, "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
                                        "viewBox=\"0 0 16 16\"><path d=\"M0 0 L16 16\"");
    const QString good = QStringLiteral(KELO_SOURCE_DIR "/data/icons/kelo-hb-meter.svg");
    const QString aFile = Path(QStringLiteral("a-file"));
    testsupport::WriteFileBytes(aFile, "not a folder");
    const QString out = Path(QStringLiteral("out"));
    const struct
    {
        const char *what;
        QStringList arguments;
        int exitCode;
        QString png;
    } cases[] = {
        {"a truncated SVG", {broken, out, QStringLiteral("16")}, 1, Png(out, 16, QStringLiteral("broken"))},
        {"a missing SVG", {Path(QStringLiteral("none.svg")), out, QStringLiteral("16")}, 1,
         Png(out, 16, QStringLiteral("none"))},
        {"an output folder below a file", {good, aFile, QStringLiteral("16")}, 1,
         Png(aFile, 16, QStringLiteral("kelo-hb-meter"))},
        {"a size of nought", {good, out, QStringLiteral("0")}, 2, Png(out, 0, QStringLiteral("kelo-hb-meter"))},
        {"no size", {good, out}, 2, QString()},
    };
    for (const auto &c : cases) {
        const ToolRun run = RunIconRender(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("icon-render: "))) << c.what << ": " << run.err.toStdString();
        if (!c.png.isEmpty()) {
            EXPECT_FALSE(QFileInfo::exists(c.png)) << c.what;
        }
    }
}

} // namespace
