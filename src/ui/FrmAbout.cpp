#include "ui/FrmAbout.h"

#include "shell/Settings.h"
#include "i18n/TextKeys.h"
#include "i18n/TranslateText.h"
#include "ui/TranslationWalk.h"

#include <QApplication>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QPainter>
#include <QSvgRenderer>

TFrmAbout *FrmAbout = nullptr;

namespace {

constexpr int kClientWidth = 518;
constexpr int kClientHeight = 301;

// The box's fonts stand for MS Sans Serif: the platform's GUI font family at a pixel height.
QFont BoxFont(int pixelHeight, bool bold)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

void SetTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

QLabel *MakeLabel(QWidget *parent, const char *name, int pixelHeight, bool bold, bool wordWrap)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(BoxFont(pixelHeight, bold));
    SetTextColour(label, QColor(0, 0, 255));
    label->setWordWrap(wordWrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

// The logo lives in this library's resources; a static library must register them itself.
static void InitAboutResources()
{
    Q_INIT_RESOURCE(FrmAbout);
}

TFrmAbout::TFrmAbout(QWidget *parent)
    : QDialog(parent)
{
    InitAboutResources();
    setObjectName(QStringLiteral("FrmAbout"));
    // A dialog border with no size grip and no maximise button; the client area is fixed.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    setSizeGripEnabled(false);
    setModal(true);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setGeometry(8, 8, 502, 241);

    ImgLogo = new TLogoImage(QStringLiteral(":/about/KeloLogo.svg"), Panel1);
    ImgLogo->setObjectName(QStringLiteral("ImgLogo"));
    ImgLogo->setGeometry(QRect(QPoint(8, 8), ImgLogo->sizeHint()));

    lblTitle = MakeLabel(Panel1, "lblTitle", 19, true, true);
    lblTitle->setGeometry(224, 8, 265, 76);

    lblVersion = MakeLabel(Panel1, "lblVersion", 13, false, false);
    lblVersion->move(224, 85);

    lblWarning = MakeLabel(Panel1, "lblWarning", 13, false, true);
    lblWarning->setGeometry(15, 110, 474, 65);

    lblCompany = MakeLabel(Panel1, "lblCompany", 13, false, false);
    lblCompany->setGeometry(15, 200, 474, 20);
    lblCompany->setText(CompanyText());

    btnOK = new QPushButton(this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setFont(BoxFont(11, false));
    SetTextColour(btnOK, QColor(0, 0, 0));
    btnOK->setGeometry(360, 261, 150, 28);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &TFrmAbout::btnOKClick);
    ui::AddForm(*this);
}

TFrmAbout::TLogoImage::TLogoImage(const QString &resource, QWidget *parent)
    : QWidget(parent), renderer_(new QSvgRenderer(resource, this))
{
}

QSize TFrmAbout::TLogoImage::sizeHint() const
{
    return renderer_->isValid() ? renderer_->defaultSize() : QSize(177, 60);
}

void TFrmAbout::TLogoImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer_->render(&painter, QRectF(rect()));
}

QString TFrmAbout::LegalWarningText()
{
    return TextKeys::kLegalWarning;
}

QString TFrmAbout::CompanyText()
{
    return QStringLiteral("KELO");
}

QString TFrmAbout::VersionNumber()
{
    return QStringLiteral(KELO_VERSION);
}

int TFrmAbout::ShowOK()
{
    lblTitle->setText(TranslateText(GlobalOption.Title));
    lblVersion->setText(TranslateText(TextKeys::kVersion) + QStringLiteral(":") + VersionNumber());
    lblVersion->adjustSize();
    lblWarning->setText(TranslateText(LegalWarningText()));
    setWindowTitle(TranslateText(TextKeys::kAbout) + QStringLiteral("..."));
    btnOK->setText(TranslateText(TextKeys::kClose));

    // Centred on the screen the box opens on.
    if (QScreen *screen = parentWidget() ? parentWidget()->screen() : QApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    return exec();
}

void TFrmAbout::btnOKClick()
{
    accept();
}
