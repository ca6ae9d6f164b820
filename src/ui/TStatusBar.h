#pragma once
// TStatusBar: a status bar of text panels side by side. Every panel but the last has a fixed
// width; the last one starts at its given width and takes whatever room is left. Panel texts
// are plain text, cut off with an ellipsis when they do not fit. GUI thread.

#include <QStatusBar>
#include <QString>

#include <vector>

class QLabel;

class TStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    // One panel per width, left to right.
    TStatusBar(const std::vector<int> &panelWidths, QWidget *parent = nullptr);

    int PanelCount() const { return static_cast<int>(panels_.size()); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString &text);
    // The panel's given width (the last panel may be wider on screen).
    int PanelWidth(int index) const;
    // The label that shows the panel (for layout checks).
    QLabel *PanelLabel(int index) const;
    // A panel shows a new text at most once per interval: after a quiet interval at once,
    // otherwise the latest text when the interval has passed (PanelText has it at once). For
    // a download, which sets a new count many times a second. 0 (the default): at once, and
    // every panel shows its latest text now.
    void SetRefreshInterval(int milliseconds);

private:
    std::vector<QLabel *> panels_;
    std::vector<QString> texts_;
    std::vector<int> widths_;
};
