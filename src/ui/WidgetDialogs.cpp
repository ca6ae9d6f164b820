#include "ui/WidgetDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include <utility>
#include <vector>

namespace ui {

namespace {

// Button sets and answers the styles use beyond those the seam names.
constexpr unsigned kButtonMask = 0x0F;
constexpr unsigned kIconMask = 0xF0;
constexpr unsigned kAbortRetryIgnore = 0x02;
constexpr unsigned kRetryCancel = 0x05;
constexpr int kIdAbort = 3;
constexpr int kIdRetry = 4;
constexpr int kIdIgnore = 5;

using ButtonList = std::vector<std::pair<QMessageBox::StandardButton, int>>;

ButtonList ButtonsFor(unsigned style)
{
    switch (style & kButtonMask) {
    case platform::MB_OKCANCEL:
        return {{QMessageBox::Ok, platform::IDOK}, {QMessageBox::Cancel, platform::IDCANCEL}};
    case kAbortRetryIgnore:
        return {{QMessageBox::Abort, kIdAbort}, {QMessageBox::Retry, kIdRetry}, {QMessageBox::Ignore, kIdIgnore}};
    case platform::MB_YESNOCANCEL:
        return {{QMessageBox::Yes, platform::IDYES}, {QMessageBox::No, platform::IDNO},
                {QMessageBox::Cancel, platform::IDCANCEL}};
    case platform::MB_YESNO:
        return {{QMessageBox::Yes, platform::IDYES}, {QMessageBox::No, platform::IDNO}};
    case kRetryCancel:
        return {{QMessageBox::Retry, kIdRetry}, {QMessageBox::Cancel, platform::IDCANCEL}};
    default:
        return {{QMessageBox::Ok, platform::IDOK}};
    }
}

QMessageBox::Icon IconFor(unsigned style)
{
    switch (style & kIconMask) {
    case platform::MB_ICONERROR:
        return QMessageBox::Critical;
    case platform::MB_ICONQUESTION:
        return QMessageBox::Question;
    case platform::MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case platform::MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// Boxes show their text as written: "\r\n" is one line break, and "<" is not markup.
QString DisplayText(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return shown;
}

} // namespace

int WidgetDialogs::MessageBox(const QString &text, const QString &caption, unsigned style)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);
    box.setText(DisplayText(text));
    box.setIcon(IconFor(style));

    // Escape and the window's close box give the negative answer's button; Enter gives the
    // first button, a keyboard choice the user made.
    const ButtonList buttons = ButtonsFor(style);
    const int negative = platform::NegativeAnswer(style);
    for (const auto &[button, answer] : buttons) {
        box.addButton(button);
        if (answer == negative)
            box.setEscapeButton(button);
    }
    box.setDefaultButton(buttons.front().first);

    box.exec();
    // Nothing pressed: the loop was ended from outside (a termination signal, quit) or the
    // window went away. That is never a Yes.
    const QAbstractButton *clicked = box.clickedButton();
    for (const auto &[button, answer] : buttons) {
        if (clicked && clicked == box.button(button))
            return answer;
    }
    return negative;
}

QString WidgetDialogs::QtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &pattern : patterns)
            pattern = pattern.trimmed();
        const QString joined = patterns.join(QLatin1Char(' '));
        if (description.endsWith(QLatin1Char('(') + joined + QLatin1Char(')')) ||
            description.endsWith(QLatin1Char('(') + patterns.join(QLatin1Char(';')) + QLatin1Char(')')))
            filters.append(description.left(description.lastIndexOf(QLatin1Char('('))) + QLatin1Char('(') +
                           joined + QLatin1Char(')'));
        else
            filters.append(description + QLatin1String(" (") + joined + QLatin1Char(')'));
    }
    return filters.join(QLatin1String(";;"));
}

QString WidgetDialogs::WithDefaultExtension(const QString &fileName, const QString &defaultExt)
{
    QString extension = defaultExt.trimmed();
    if (extension.startsWith(QLatin1Char('*')))
        extension.remove(0, 1);
    if (extension.startsWith(QLatin1Char('.')))
        extension.remove(0, 1);
    if (extension.isEmpty() || fileName.isEmpty())
        return fileName;
    const QString name = fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.contains(QLatin1Char('.')))
        return fileName;
    return fileName + QLatin1Char('.') + extension;
}

std::optional<QString> WidgetDialogs::SaveFile(const platform::SaveFileRequest &request)
{
    QString start = request.fileName;
    if (!request.initialDir.isEmpty() && !QFileInfo(start).isAbsolute())
        start = request.initialDir + QLatin1Char('/') + start;
    const QString filter = QtFilter(request.filter);
    QString selected = filter.section(QLatin1String(";;"), 0, 0);
    const QString chosen = QFileDialog::getSaveFileName(QApplication::activeWindow(), request.title, start, filter,
                                                        &selected, QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty())
        return std::nullopt;
    return WithDefaultExtension(chosen, request.defaultExt);
}

void WidgetDialogs::ErrorBox(const QString &message)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QGuiApplication::applicationDisplayName());
    box.setTextFormat(Qt::PlainText);
    box.setText(DisplayText(message));
    box.setIcon(QMessageBox::Critical);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

} // namespace ui
