#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TAboutBox;
}

// The About box: program name, version, authorship and two links (mail to the
// author, the home page). Created once at start-up and shown modally on
// request, any number of times; it keeps no state between showings.
class TAboutBox : public QDialog {
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    ~TAboutBox() override;

    // The home page link.
    void Label1Click(QObject* Sender);
    // The author's name: a new mail message to the author.
    void Label2Click(QObject* Sender);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TAboutBox> ui;
};
