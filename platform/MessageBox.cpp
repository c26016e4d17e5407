#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include <stdexcept>
#include <utility>

namespace {
bool headlessBoxes = false;
MessageBox::Recorder* recorder = nullptr;

MessageBox::Recorder& Installed()
{
    if (!recorder) throw std::logic_error("no MessageBox::Recorder installed");
    return *recorder;
}
}  // namespace

MessageBox::Recorder::Recorder() : previous(std::exchange(recorder, this))
{
}

MessageBox::Recorder::~Recorder()
{
    recorder = previous;
}

void MessageBox::ShowError(QWidget* parent, const QString& text, const QString& title)
{
    const QString caption = title.isEmpty() ? QApplication::applicationDisplayName() : title;
    if (recorder) recorder->shown.push_back({caption, text});
    if (headlessBoxes) {
        if (recorder && recorder->whileShown) std::exchange(recorder->whileShown, {})();
        return;
    }
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

bool MessageBox::Ask(QWidget* parent, const QString& text, const QString& title)
{
    const QString caption = title.isEmpty() ? QApplication::applicationDisplayName() : title;
    if (recorder) recorder->asked.push_back({caption, text});
    if (headlessBoxes) {
        if (!recorder || recorder->nextAnswers.empty()) return true;
        const bool yes = recorder->nextAnswers.front();
        recorder->nextAnswers.pop_front();
        return yes;
    }
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void MessageBox::SetHeadless(bool headless)
{
    headlessBoxes = headless;
}

const std::vector<MessageBox::Record>& MessageBox::Shown()
{
    return Installed().shown;
}

const std::vector<MessageBox::Record>& MessageBox::Asked()
{
    return Installed().asked;
}

void MessageBox::ClearShown()
{
    Recorder& installed = Installed();
    installed.shown.clear();
    installed.asked.clear();
    installed.nextAnswers.clear();
}

void MessageBox::SetNextAnswer(bool yes)
{
    Installed().nextAnswers.push_back(yes);
}

void MessageBox::SetWhileShown(std::function<void()> action)
{
    Installed().whileShown = std::move(action);
}
