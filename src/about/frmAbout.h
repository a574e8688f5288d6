#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: the application's title and version. Modal over its owner; OK, Enter and
// Escape close it.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* owner = nullptr);

    // Fills the title and version labels.
    void Form_Load();
    void cmdOK_Click();

    QLabel* picIcon() const { return picIcon_; }
    QLabel* lblTitle() const { return lblTitle_; }
    QLabel* lblVersion() const { return lblVersion_; }
    QPushButton* cmdOK() const { return cmdOK_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* picIcon_ = nullptr;
    QLabel* lblTitle_ = nullptr;
    QLabel* lblVersion_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
};
