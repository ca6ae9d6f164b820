#pragma once
// A Dialogs implementation for tests: records every box and dialog shown and answers from a
// script. Installs itself on construction and removes itself on destruction.

#include "platform/Dialogs.h"

#include <QString>

#include <deque>
#include <optional>
#include <vector>

namespace testsupport {

class ScriptedDialogs : public platform::Dialogs
{
public:
    struct Box
    {
        QString text;
        QString caption;
        unsigned style;
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // Answers for the next boxes, in order; when the script is empty a box answers as a real
    // one closed without a press (platform::NegativeAnswer: OK, No or Cancel, never Yes).
    std::deque<int> boxAnswers;
    // Answers for the next save dialogs; when empty the dialog is cancelled.
    std::deque<std::optional<QString>> saveAnswers;

    std::vector<Box> boxes;
    std::vector<platform::SaveFileRequest> saveRequests;
    std::vector<QString> errors;

    int MessageBox(const QString &text, const QString &caption, unsigned style) override;
    std::optional<QString> SaveFile(const platform::SaveFileRequest &request) override;
    void ErrorBox(const QString &message) override;
};

} // namespace testsupport
