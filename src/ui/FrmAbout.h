#pragma once
// The About box: product logo, title, version and a legal warning in a fixed-size modal
// dialog. One instance, FrmAbout, is created hidden at start-up and reused; ShowOK fills its
// texts in the current language every time it opens, so a language change shows at the next
// opening. The box is one of the forms the translation walk visits from its creation on.
// GUI thread only.

#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class QSvgRenderer;

class TFrmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit TFrmAbout(QWidget *parent = nullptr);

    // A picture drawn from vector art at whatever scale the screen has; it takes the
    // picture's own size.
    class TLogoImage : public QWidget
    {
    public:
        TLogoImage(const QString &resource, QWidget *parent);
        QSvgRenderer *Renderer() const { return renderer_; }
        QSize sizeHint() const override;

    protected:
        void paintEvent(QPaintEvent *event) override;

    private:
        QSvgRenderer *renderer_;
    };

    // Fills the title, version, warning, caption and button texts through TranslateText and
    // shows the box modally. Returns the modal result (QDialog::Accepted after Close).
    int ShowOK();

    // The English texts the box shows; each passes through TranslateText when shown, so
    // language files translate them under these keys.
    static QString LegalWarningText();
    // The program's version, "1.0.0": the project version the build was configured with.
    static QString VersionNumber();
    // The company line's built-in text.
    static QString CompanyText();

    // Components, named as the translation walk knows them; owned by the box.
    QFrame *Panel1 = nullptr;
    TLogoImage *ImgLogo = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblWarning = nullptr;
    // The company line: a built-in text that ShowOK leaves alone; only a language change made
    // while the box exists (the translation walk) replaces it.
    QLabel *lblCompany = nullptr;
    QPushButton *btnOK = nullptr;

private:
    void btnOKClick();
};

// The single About box, created by the start-up after the main window; null before and after.
extern TFrmAbout *FrmAbout;
