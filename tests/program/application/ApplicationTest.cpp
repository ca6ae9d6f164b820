#include "program/Application.h"
#include "platform/Exception.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

#include <QEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

using testsupport::ScriptedDialogs;

namespace {

// Throws what it is told to from its event handler, and counts the events it finished.
class Thrower : public QObject
{
public:
    enum class What { Nothing, ProgramError, StandardError, Other };
    What next = What::Nothing;
    int handled = 0;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        const What what = next;
        next = What::Nothing;
        switch (what) {
        case What::ProgramError:
            throw platform::Exception(QString::fromUtf8("Unable to write to /x/HBAPP.INI \xC3\xA9"));
        case What::StandardError:
            throw std::runtime_error("plain failure");
        case What::Other:
            throw 42;
        case What::Nothing:
            break;
        }
        ++handled;
        return true;
    }
};

void Post(QObject *receiver)
{
    QCoreApplication::postEvent(receiver, new QEvent(QEvent::User));
}

} // namespace

TEST(Application, EscapedErrorsAreShownAndTheProgramGoesOn)
{
    ScriptedDialogs dialogs;
    Thrower thrower;

    thrower.next = Thrower::What::ProgramError;
    Post(&thrower);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return dialogs.errors.size() == 1; }));
    EXPECT_EQ(dialogs.errors[0], QString::fromUtf8("Unable to write to /x/HBAPP.INI \xC3\xA9"));

    thrower.next = Thrower::What::StandardError;
    Post(&thrower);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return dialogs.errors.size() == 2; }));
    EXPECT_EQ(dialogs.errors[1], "plain failure");

    thrower.next = Thrower::What::Other;
    Post(&thrower);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return dialogs.errors.size() == 3; }));

    // Later events are delivered as usual.
    Post(&thrower);
    Post(&thrower);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return thrower.handled == 2; }));
    EXPECT_EQ(dialogs.errors.size(), 3u);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST(Application, ErrorFromATimerSlotIsShownAndTimersGoOn)
{
    ScriptedDialogs dialogs;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 1)
            throw platform::Exception("first tick failed");
    });
    timer.start(1);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return ticks >= 3; }));
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], "first tick failed");
}

TEST(Application, ErrorWithoutDialogsDoesNotEndTheProgram)
{
    Thrower thrower;
    thrower.next = Thrower::What::ProgramError;
    Post(&thrower);
    Post(&thrower);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return thrower.handled == 1; }));
}
