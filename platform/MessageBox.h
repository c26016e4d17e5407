#pragma once

#include <QString>

#include <functional>
#include <vector>

class QWidget;

// The program's modal message boxes. Every box shown is recorded (title and
// text) so tests can assert on it; with SetHeadless(true) nothing is shown
// and the box counts as dismissed at once, so tests never block.
class MessageBox {
public:
    struct Record {
        QString title;
        QString text;
    };

    // Error icon, one OK button; returns when dismissed. An empty title is
    // the application's title.
    static void ShowError(QWidget* parent, const QString& text, const QString& title = QString());

    // A question with Yes and No (No the default); true for Yes. Headless, the
    // answer queued by SetNextAnswer, else Yes; every question is recorded.
    static bool Ask(QWidget* parent, const QString& text, const QString& title = QString());
    static void SetNextAnswer(bool yes);
    static const std::vector<Record>& Asked();

    static void SetHeadless(bool headless);
    static const std::vector<Record>& Shown();
    static void ClearShown();
    // Called (headless only) while a box "is up", as a user could act then.
    static void SetWhileShown(std::function<void()> action);
};
