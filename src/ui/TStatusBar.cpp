#include "ui/TStatusBar.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QLabel>
#include <QResizeEvent>
#include <QTimer>

namespace {

// A panel label that elides its text instead of growing with it, so that a long status
// message never pushes the clock and the version out of sight.
class ElidedPanel : public QLabel
{
public:
    explicit ElidedPanel(QWidget *parent) : QLabel(parent)
    {
        due_.setSingleShot(true);
        connect(&due_, &QTimer::timeout, this, [this] { Refresh(); });
        setTextFormat(Qt::PlainText);
        setFrameShape(QFrame::Panel);
        setFrameShadow(QFrame::Sunken);
        setIndent(2);
    }

    void SetFullText(const QString &text)
    {
        // Set again for every stored batch; the same text needs no new layout.
        if (text == fullText_)
            return;
        fullText_ = text;
        if (interval_ > 0 && shown_.isValid() && shown_.elapsed() < interval_) {
            if (!due_.isActive())
                due_.start(static_cast<int>(interval_ - shown_.elapsed()));
            return;
        }
        Refresh();
    }

    void SetRefreshInterval(int milliseconds)
    {
        interval_ = qMax(0, milliseconds);
        if (interval_ == 0 && due_.isActive())
            Refresh();
    }

    QSize minimumSizeHint() const override { return QSize(0, QLabel::minimumSizeHint().height()); }

    // A panel of fixed width also gets a fixed height (the font's): a new text then needs no
    // new layout of the bar and the window, which a download asks for many times a second.
    void FixHeight()
    {
        fixedHeight_ = true;
        setFixedHeight(QLabel::sizeHint().height());
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QLabel::resizeEvent(event);
        Refresh();
    }

    void changeEvent(QEvent *event) override
    {
        QLabel::changeEvent(event);
        if (fixedHeight_ && event->type() == QEvent::FontChange) {
            setMinimumHeight(0);
            setMaximumHeight(QWIDGETSIZE_MAX);
            setFixedHeight(QLabel::sizeHint().height());
        }
    }

private:
    void Refresh()
    {
        due_.stop();
        shown_.start();
        const int room = contentsRect().width() - 2 * indent();
        setText(fontMetrics().elidedText(fullText_, Qt::ElideRight, qMax(0, room)));
    }

    QString fullText_;
    int interval_ = 0;
    QElapsedTimer shown_; // since the text was last shown
    QTimer due_;          // shows a text held back
    bool fixedHeight_ = false;
};

} // namespace

TStatusBar::TStatusBar(const std::vector<int> &panelWidths, QWidget *parent)
    : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    const int count = static_cast<int>(panelWidths.size());
    for (int index = 0; index < count; ++index) {
        // The panels are the bar's own parts, not components: they have no name, so the
        // translation walk reaches their texts only as the bar's Panels.
        auto *label = new ElidedPanel(this);
        const int width = panelWidths[static_cast<std::size_t>(index)];
        if (index + 1 < count) {
            label->setFixedWidth(width);
            label->FixHeight();
            addWidget(label, 0);
        } else {
            label->setMinimumWidth(width);
            addWidget(label, 1);
        }
        panels_.push_back(label);
        texts_.emplace_back();
        widths_.push_back(width);
    }
}

QString TStatusBar::PanelText(int index) const
{
    if (index < 0 || index >= PanelCount())
        return QString();
    return texts_[static_cast<std::size_t>(index)];
}

void TStatusBar::SetPanelText(int index, const QString &text)
{
    if (index < 0 || index >= PanelCount())
        return;
    texts_[static_cast<std::size_t>(index)] = text;
    static_cast<ElidedPanel *>(panels_[static_cast<std::size_t>(index)])->SetFullText(text);
}

int TStatusBar::PanelWidth(int index) const
{
    if (index < 0 || index >= PanelCount())
        return 0;
    return widths_[static_cast<std::size_t>(index)];
}

QLabel *TStatusBar::PanelLabel(int index) const
{
    if (index < 0 || index >= PanelCount())
        return nullptr;
    return panels_[static_cast<std::size_t>(index)];
}

void TStatusBar::SetRefreshInterval(int milliseconds)
{
    for (QLabel *panel : panels_)
        static_cast<ElidedPanel *>(panel)->SetRefreshInterval(milliseconds);
}
