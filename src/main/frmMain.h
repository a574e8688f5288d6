#pragma once

#include "link/Link.h"
#include "link/MSComm.h"
#include "shared/MemoryView.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The character code of Enter as the key handlers receive it; a handler that consumes the
// key sets the code to 0.
inline constexpr int kKeyAsciiEnter = 13;

// The main window: the operator's choices, the memory view and the two buttons that talk to
// the unit. Each control commits its choice into Module1 at the moments the handlers below
// name; only Module1 counts for the memory check, the transfer and the saved settings.
class frmMain : public QMainWindow, public MemoryView {
    Q_OBJECT

public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up: restores geometry and choices from the settings store and fills the controls.
    void Form_Load();
    // Shut-down: closes the other windows, saves geometry and choices, ends the process.
    // Shut-down is never refused: `Cancel` stays 0 (closeEvent would keep the window open
    // if it were set).
    void Form_Unload(int& Cancel);

    // Port selector.
    void Combo1_Change();
    void Combo1_LostFocus();
    void Combo1_KeyPress(int& KeyAscii);
    // CPU selector.
    void Combo2_Change();
    void Combo2_LostFocus();
    void Combo2_KeyPress(int& KeyAscii);
    // Clock field.
    void Text1_LostFocus();
    void Text1_KeyPress(int& KeyAscii);
    // Write page options 0..4 (4 is "THRU").
    void Option1_Click(int Index);
    void Option1_LostFocus(int Index);
    void Option1_KeyPress(int Index, int& KeyAscii);
    // Line speed options 0..1; a click only selects, the commit comes with focus loss.
    void Option2_LostFocus(int Index);
    void Option2_KeyPress(int Index, int& KeyAscii);
    // File selection.
    void Command1_Click();
    void Text2_KeyPress(int& KeyAscii);
    void Text2_LostFocus();
    // Menus.
    void mnuFileexit_Click();
    void mnuHelpAbout_Click();
    // Memory check and transfer start.
    void Command2_Click();
    void Tx_start_Click();

    // MemoryView: the captions of page 1..4.
    QString CpuCaption(int page) const override;
    QString SizeCaption(int page) const override;

    // The memory view's label arrays, index 0 the heading, 1..4 the pages.
    QLabel* Label2(int i) const { return label2_.at(static_cast<size_t>(i)); }
    QLabel* Label3(int i) const { return label3_.at(static_cast<size_t>(i)); }
    QLabel* Label4(int i) const { return label4_.at(static_cast<size_t>(i)); }
    QLabel* Label5(int i) const { return label5_.at(static_cast<size_t>(i)); }
    QLabel* Label7(int i) const { return label7_.at(static_cast<size_t>(i)); }
    QPushButton* Tx_start() const { return txStart_; }
    QPushButton* Command1() const { return command1_; }
    QPushButton* Command2() const { return command2_; }
    QLineEdit* Text1() const { return text1_; }
    QLineEdit* Text2() const { return text2_; }
    QComboBox* Combo1() const { return combo1_; }
    QComboBox* Combo2() const { return combo2_; }
    QRadioButton* Option1(int i) const { return option1_.at(static_cast<size_t>(i)); }
    QRadioButton* Option2(int i) const { return option2_.at(static_cast<size_t>(i)); }
    QAction* mnuFileexit() const { return mnuFileexit_; }
    QAction* mnuHelpAbout() const { return mnuHelpAbout_; }

    // The outer size as the layout counts it: the client area plus the design's allowance
    // for border, caption and menu bar, in twips.
    QSize OuterSizeTwips() const;

    // The window's own serial port and the link primitives on it.
    std::unique_ptr<MSComm> MSComm1;
    std::unique_ptr<Link> link;

    // The file-open dialog: given the name last chosen through it, the chosen file, or
    // nothing when the operator cancelled. Tests put a scripted one in place.
    using FileChooser = std::function<std::optional<QString>(const QString& lastName)>;
    void SetFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }
    // The last step of shut-down. Tests replace it, since they cannot end their process.
    void SetProcessEnd(std::function<void()> end) { processEnd_ = std::move(end); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Layout (Layout.cpp, MemoryViewLayout.cpp).
    void buildMenus();
    void buildFileFrame(QWidget* client);
    void buildPageFrame(QWidget* client);
    void buildCpuClockPortFrames(QWidget* client);
    void buildSpeedFrameAndButtons(QWidget* client);
    void buildMemoryView(QWidget* client);
    void setTabOrder();
    void fitCaptionsToFont();
    void wireHandlers();

    // Wiring: the focus-loss and Enter handlers of the choice controls, one row a control.
    struct ChoiceHandlers {
        QObject* control;
        std::function<void()> lostFocus;
        std::function<void(int&)> keyPress;
    };
    std::vector<ChoiceHandlers> choices_;
    void dispatchLostFocus(QObject* control);
    void dispatchKeyPress(QObject* control, int& KeyAscii);
    void enterMovesToTxStart(int& KeyAscii);

    void setCombo1Text(const QString& text);
    void moveFocusToTxStart();
    void applyDesignSize();
    void setOuterSizeTwips(double width, double height);
    void closeOtherWindows();

    QWidget* client_ = nullptr;
    QAction* mnuFileexit_ = nullptr;
    QAction* mnuHelpAbout_ = nullptr;
    QLineEdit* text2_ = nullptr;
    QPushButton* command1_ = nullptr;
    std::array<QRadioButton*, 5> option1_{};
    QComboBox* combo2_ = nullptr;
    QLineEdit* text1_ = nullptr;
    QComboBox* combo1_ = nullptr;
    std::array<QRadioButton*, 2> option2_{};
    QPushButton* txStart_ = nullptr;
    QPushButton* command2_ = nullptr;
    std::array<QLabel*, 5> label2_{};
    std::array<QLabel*, 5> label3_{};
    std::array<QLabel*, 5> label4_{};
    std::array<QLabel*, 5> label5_{};
    std::array<QLabel*, 5> label7_{};

    QString lastDialogName_;
    // Where start-up put the window, in pixels and as stored in twips: a window that was not
    // moved saves the stored twips again instead of their rounding to whole pixels.
    QPoint restoredPixels_;
    float restoredLeftTwips_ = 0;
    float restoredTopTwips_ = 0;
    FileChooser fileChooser_;
    std::function<void()> processEnd_;
};
