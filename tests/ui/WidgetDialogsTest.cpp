#include "ui/WidgetDialogs.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using platform::SaveFileRequest;
using ui::WidgetDialogs;

namespace {

// Runs action on the modal dialog once it is up (the caller then blocks in the dialog's own
// loop), again on later ticks for as long as it returns false (not ready yet); the flag
// returned tells whether it was done. Should no dialog appear, or the action
// leave it open, every top-level window is closed after the deadline so that the test fails
// instead of hanging.
std::shared_ptr<bool> WhenModalAppears(std::function<bool(QWidget *)> action)
{
    auto seen = std::make_shared<bool>(false);
    auto *timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action, seen] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && !*seen)
            *seen = action(modal);
        if (clock->elapsed() > 10000) {
            for (QWidget *w : QApplication::topLevelWidgets())
                w->close();
        }
        if ((*seen && !QApplication::activeModalWidget()) || clock->elapsed() > 15000) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
    return seen;
}

struct BoxSeen
{
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Shows a box through the widget dialogs, records what it looks like, then presses press (or
// Escape when press is NoButton). Returns the box's answer.
int ShowAndPress(unsigned style, QMessageBox::StandardButton press, BoxSeen &seen, const QString &text = "Question?")
{
    const auto appeared = WhenModalAppears(
        [&](QWidget *widget) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box)
                return false;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.icon = box->icon();
            seen.buttons = box->standardButtons();
            seen.defaultButton = box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
            if (press == QMessageBox::NoButton) {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(box, &escape);
            } else if (QAbstractButton *button = box->button(press)) {
                button->click();
            }
            return true;
        });
    WidgetDialogs dialogs;
    const int answer = dialogs.MessageBox(text, "Caption", style);
    EXPECT_TRUE(*appeared);
    return answer;
}

} // namespace

TEST(WidgetDialogs, StyleBitsChooseButtonsAndIcon)
{
    BoxSeen seen;
    EXPECT_EQ(ShowAndPress(platform::MB_YESNO | platform::MB_ICONQUESTION, QMessageBox::No, seen), platform::IDNO);
    EXPECT_EQ(seen.title, "Caption");
    EXPECT_EQ(seen.text, "Question?");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(seen.defaultButton, QMessageBox::Yes);

    EXPECT_EQ(ShowAndPress(platform::MB_YESNO | platform::MB_ICONQUESTION, QMessageBox::Yes, seen), platform::IDYES);

    EXPECT_EQ(ShowAndPress(platform::MB_OK | platform::MB_ICONINFORMATION, QMessageBox::Ok, seen), platform::IDOK);
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);

    EXPECT_EQ(ShowAndPress(platform::MB_OKCANCEL | platform::MB_ICONEXCLAMATION, QMessageBox::Cancel, seen),
              platform::IDCANCEL);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);

    EXPECT_EQ(ShowAndPress(platform::MB_YESNOCANCEL | platform::MB_ICONERROR, QMessageBox::No, seen), platform::IDNO);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

TEST(WidgetDialogs, PlainOkBoxHasNoIconAndShowsTheTextAsWritten)
{
    BoxSeen seen;
    EXPECT_EQ(ShowAndPress(platform::MB_OK, QMessageBox::Ok, seen, "Error in create folder /x/<KELODATA>\r\nwhy"),
              platform::IDOK);
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.text, "Error in create folder /x/<KELODATA>\nwhy");
}

TEST(WidgetDialogs, EscapeAnswersLikeCancelOrOk)
{
    BoxSeen seen;
    EXPECT_EQ(ShowAndPress(platform::MB_YESNOCANCEL, QMessageBox::NoButton, seen), platform::IDCANCEL);
    EXPECT_EQ(ShowAndPress(platform::MB_OK, QMessageBox::NoButton, seen), platform::IDOK);
}

// Only a press, or a keyboard choice, answers Yes. A box whose loop ends without one (ended
// from outside, hidden, closed by the system) gives the negative answer of its style.
TEST(WidgetDialogs, BoxClosedWithoutAPressNeverAnswersYes)
{
    using Act = std::function<void(QMessageBox *)>;
    const auto key = [](Qt::Key which) {
        return [which](QMessageBox *box) {
            QKeyEvent press(QEvent::KeyPress, which, Qt::NoModifier);
            QApplication::sendEvent(box->focusWidget() ? box->focusWidget() : box, &press);
        };
    };
    struct Case
    {
        const char *how;
        unsigned style;
        Act act;
        int answer;
    } cases[] = {
        {"loop ended as accepted", platform::MB_YESNO, [](QMessageBox *box) { box->done(QDialog::Accepted); }, platform::IDNO},
        {"loop ended with Yes's code", platform::MB_YESNO, [](QMessageBox *box) { box->done(QMessageBox::Yes); }, platform::IDNO},
        {"hidden", platform::MB_YESNO | platform::MB_ICONQUESTION, [](QMessageBox *box) { box->hide(); }, platform::IDNO},
        {"closed by the system", platform::MB_YESNO, [](QMessageBox *box) { box->close(); }, platform::IDNO},
        {"escape", platform::MB_YESNO, key(Qt::Key_Escape), platform::IDNO},
        {"loop ended, with Cancel", platform::MB_YESNOCANCEL, [](QMessageBox *box) { box->done(QDialog::Accepted); }, platform::IDCANCEL},
        {"loop ended, OK only", platform::MB_OK, [](QMessageBox *box) { box->done(QDialog::Accepted); }, platform::IDOK},
        {"enter chooses the default", platform::MB_YESNO, key(Qt::Key_Return), platform::IDYES},
    };
    for (const Case &test : cases) {
        const auto appeared = WhenModalAppears([&](QWidget *widget) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (box)
                test.act(box);
            return box != nullptr;
        });
        WidgetDialogs dialogs;
        EXPECT_EQ(dialogs.MessageBox("Clear?", "Caption", test.style), test.answer) << test.how;
        EXPECT_TRUE(*appeared) << test.how;
    }
}

TEST(WidgetDialogs, ErrorBoxIsCriticalWithOk)
{
    BoxSeen seen;
    const auto appeared = WhenModalAppears(
        [&](QWidget *widget) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box)
                return false;
            seen.text = box->text();
            seen.icon = box->icon();
            seen.buttons = box->standardButtons();
            box->button(QMessageBox::Ok)->click();
            return true;
        });
    WidgetDialogs().ErrorBox("Unable to write to /x/HBAPP.INI");
    EXPECT_TRUE(*appeared);
    EXPECT_EQ(seen.text, "Unable to write to /x/HBAPP.INI");
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
}

TEST(WidgetDialogs, FilterBecomesQtForm)
{
    EXPECT_EQ(WidgetDialogs::QtFilter("CSV files|*.csv"), "CSV files (*.csv)");
    EXPECT_EQ(WidgetDialogs::QtFilter("CSV files|*.csv|All files|*.*"), "CSV files (*.csv);;All files (*.*)");
    EXPECT_EQ(WidgetDialogs::QtFilter("Sheets|*.xls;*.xlt"), "Sheets (*.xls *.xlt)");
    // Patterns already shown in the description are not repeated.
    EXPECT_EQ(WidgetDialogs::QtFilter("Excel (*.xls)|*.xls"), "Excel (*.xls)");
    EXPECT_EQ(WidgetDialogs::QtFilter("Excel 97 (2003)|*.xls"), "Excel 97 (2003) (*.xls)");
    // A description without patterns is dropped rather than shown as a filter of nothing.
    EXPECT_EQ(WidgetDialogs::QtFilter("CSV files|*.csv|Dangling"), "CSV files (*.csv)");
    EXPECT_EQ(WidgetDialogs::QtFilter(""), "");
}

TEST(WidgetDialogs, DefaultExtensionOnlyWhenTheNameHasNone)
{
    EXPECT_EQ(WidgetDialogs::WithDefaultExtension("/tmp/report", "*.csv"), "/tmp/report.csv");
    EXPECT_EQ(WidgetDialogs::WithDefaultExtension("/tmp/report", ".csv"), "/tmp/report.csv");
    EXPECT_EQ(WidgetDialogs::WithDefaultExtension("/tmp/report", "csv"), "/tmp/report.csv");
    EXPECT_EQ(WidgetDialogs::WithDefaultExtension("/tmp/report.txt", "*.csv"), "/tmp/report.txt");
    EXPECT_EQ(WidgetDialogs::WithDefaultExtension("/tmp/my.dir/report", "csv"), "/tmp/my.dir/report.csv");
    EXPECT_EQ(WidgetDialogs::WithDefaultExtension("/tmp/report", ""), "/tmp/report");
    EXPECT_EQ(WidgetDialogs::WithDefaultExtension("", "csv"), "");
}

TEST(WidgetDialogs, SaveDialogAddsTheExtensionAndNeverAsksToOverwrite)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    testsupport::WriteFileBytes(dir.path() + "/old.csv", "existing");
    SaveFileRequest request;
    request.title = "Export";
    request.filter = "CSV files|*.csv|All files|*.*";
    request.defaultExt = "*.csv";
    request.fileName = "HB_data";
    request.initialDir = dir.path();

    for (const QString &typed : {QString("report"), QString("old.csv")}) {
        QStringList filters;
        QString title;
        const auto appeared = WhenModalAppears(
            [&](QWidget *widget) {
                auto *dialog = qobject_cast<QFileDialog *>(widget);
                if (!dialog)
                    return false;
                auto *nameEdit = dialog->findChild<QLineEdit *>("fileNameEdit");
                if (!nameEdit)
                    return false;
                title = dialog->windowTitle();
                filters = dialog->nameFilters();
                nameEdit->setText(typed);   // typed by the user
                static_cast<QDialog *>(dialog)->accept();   // as the Save button does
                return true;
            });
        const std::optional<QString> chosen = WidgetDialogs().SaveFile(request);
        EXPECT_TRUE(*appeared);
        EXPECT_EQ(title, "Export");
        EXPECT_EQ(filters, (QStringList{"CSV files (*.csv)", "All files (*.*)"}));
        ASSERT_TRUE(chosen.has_value()) << typed.toStdString();
        EXPECT_EQ(chosen->toStdString(), (dir.path() + "/" + (typed == "report" ? "report.csv" : "old.csv")).toStdString());
    }
    EXPECT_EQ(testsupport::ReadFileBytes(dir.path() + "/old.csv"), "existing");
}

TEST(WidgetDialogs, CancelledSaveDialogGivesNothing)
{
    const auto appeared = WhenModalAppears([](QWidget *widget) {
        qobject_cast<QDialog *>(widget)->reject();
        return true;
    });
    SaveFileRequest request;
    request.filter = "CSV files|*.csv";
    EXPECT_FALSE(WidgetDialogs().SaveFile(request).has_value());
    EXPECT_TRUE(*appeared);
}
