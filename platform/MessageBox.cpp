#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include <deque>
#include <utility>

namespace {
bool headlessBoxes = false;
std::vector<MessageBox::Record> shownBoxes;
std::function<void()> whileShown;
std::vector<MessageBox::Record> askedBoxes;
std::deque<bool> nextAnswers;
}  // namespace

void MessageBox::ShowError(QWidget* parent, const QString& text, const QString& title)
{
    const QString caption = title.isEmpty() ? QApplication::applicationDisplayName() : title;
    shownBoxes.push_back({caption, text});
    if (headlessBoxes) {
        if (whileShown) std::exchange(whileShown, {})();
        return;
    }
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

bool MessageBox::Ask(QWidget* parent, const QString& text, const QString& title)
{
    const QString caption = title.isEmpty() ? QApplication::applicationDisplayName() : title;
    askedBoxes.push_back({caption, text});
    if (headlessBoxes) {
        if (nextAnswers.empty()) return true;
        const bool yes = nextAnswers.front();
        nextAnswers.pop_front();
        return yes;
    }
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void MessageBox::SetNextAnswer(bool yes)
{
    nextAnswers.push_back(yes);
}

const std::vector<MessageBox::Record>& MessageBox::Asked()
{
    return askedBoxes;
}

void MessageBox::SetHeadless(bool headless)
{
    headlessBoxes = headless;
}

const std::vector<MessageBox::Record>& MessageBox::Shown()
{
    return shownBoxes;
}

void MessageBox::ClearShown()
{
    shownBoxes.clear();
    askedBoxes.clear();
    nextAnswers.clear();
}

void MessageBox::SetWhileShown(std::function<void()> action)
{
    whileShown = std::move(action);
}
