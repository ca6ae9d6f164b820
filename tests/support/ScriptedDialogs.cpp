#include "support/ScriptedDialogs.h"

namespace testsupport {

ScriptedDialogs::ScriptedDialogs()
{
    platform::SetDialogs(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    platform::SetDialogs(nullptr);
}

int ScriptedDialogs::MessageBox(const QString &text, const QString &caption, unsigned style)
{
    boxes.push_back({text, caption, style});
    if (!boxAnswers.empty()) {
        const int answer = boxAnswers.front();
        boxAnswers.pop_front();
        return answer;
    }
    // Nobody scripted a press: like the real box closed without one, never Yes.
    return platform::NegativeAnswer(style);
}

std::optional<QString> ScriptedDialogs::SaveFile(const platform::SaveFileRequest &request)
{
    saveRequests.push_back(request);
    if (saveAnswers.empty())
        return std::nullopt;
    auto answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

void ScriptedDialogs::ErrorBox(const QString &message)
{
    errors.push_back(message);
}

} // namespace testsupport
