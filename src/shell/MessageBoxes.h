#pragma once
// The two standard boxes, in the current language, through platform::CurrentDialogs().

#include <QString>

// Yes/No question, caption "Warning Message", question icon; returns 6 (Yes) or 7 (No).
int ConfirmBox(const QString &text);

// Information, caption "Message", OK button, information icon; returns 1.
int InfoBox(const QString &text);
