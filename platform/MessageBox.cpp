#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include <utility>

namespace {
bool headlessBoxes = false;
std::vector<MessageBox::Record> shownBoxes;
std::function<void()> whileShown;
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
}

void MessageBox::SetWhileShown(std::function<void()> action)
{
    whileShown = std::move(action);
}
