#pragma once

#include <QString>

#include <deque>
#include <functional>
#include <vector>

class QWidget;

// The program's modal message boxes. With SetHeadless(true) nothing is shown
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
    // answer queued by SetNextAnswer, else Yes.
    static bool Ask(QWidget* parent, const QString& text, const QString& title = QString());

    static void SetHeadless(bool headless);

    // Test seam: while a Recorder lives, every box is recorded (title and
    // text) and the calls below reach it; they throw std::logic_error when
    // none is installed, so the program itself keeps nothing.
    class Recorder {
    public:
        Recorder();
        ~Recorder();
        Recorder(const Recorder&) = delete;
        Recorder& operator=(const Recorder&) = delete;

    private:
        friend class MessageBox;
        Recorder* previous;
        std::vector<Record> shown;
        std::vector<Record> asked;
        std::deque<bool> nextAnswers;
        std::function<void()> whileShown;
    };

    static const std::vector<Record>& Shown();
    static const std::vector<Record>& Asked();
    // Forgets the boxes recorded so far and the queued answers.
    static void ClearShown();
    static void SetNextAnswer(bool yes);
    // Called (headless only) while a box "is up", as a user could act then.
    static void SetWhileShown(std::function<void()> action);
};
