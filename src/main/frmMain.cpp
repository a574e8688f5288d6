#include "main/frmMain.h"

#include "link/Protocol.h"
#include "main/DesignFonts.h"
#include "main/OpenFileDialog.h"
#include "shared/Version.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

frmMain::frmMain(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      MSComm1(CreateMSComm()),
      link(std::make_unique<Link>(*MSComm1, kMainWindowLink)),
      fileChooser_([this](const QString& lastName) { return ShowOpenFileDialog(this, lastName); }),
      processEnd_([] { QCoreApplication::exit(0); })
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QLatin1String(kAppTitle));
    setWindowIcon(QIcon(QStringLiteral(":/corvane-host.svg")));
    setFont(ProportionalGothic(9));

    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    setCentralWidget(client_);

    buildMenus();
    buildFileFrame(client_);
    buildPageFrame(client_);
    buildCpuClockPortFrames(client_);
    buildMemoryView(client_);
    buildSpeedFrameAndButtons(client_);
    fitCaptionsToFont();
    setTabOrder();
    wireHandlers();
    applyDesignSize();
}

frmMain::~frmMain() = default;

void frmMain::wireHandlers()
{
    choices_ = {
        {combo1_, [this] { Combo1_LostFocus(); }, [this](int& k) { Combo1_KeyPress(k); }},
        {combo2_, [this] { Combo2_LostFocus(); }, [this](int& k) { Combo2_KeyPress(k); }},
        {text1_, [this] { Text1_LostFocus(); }, [this](int& k) { Text1_KeyPress(k); }},
        {text2_, [this] { Text2_LostFocus(); }, [this](int& k) { Text2_KeyPress(k); }},
    };
    for (int i = 0; i < static_cast<int>(option1_.size()); ++i)
        choices_.push_back({option1_[static_cast<size_t>(i)], [this, i] { Option1_LostFocus(i); },
                            [this, i](int& k) { Option1_KeyPress(i, k); }});
    for (int i = 0; i < static_cast<int>(option2_.size()); ++i)
        choices_.push_back({option2_[static_cast<size_t>(i)], [this, i] { Option2_LostFocus(i); },
                            [this, i](int& k) { Option2_KeyPress(i, k); }});
    for (const ChoiceHandlers& choice : choices_)
        choice.control->installEventFilter(this);

    // Only the operator's edits count as changes here; picking from the list does not, and
    // the program's own settings of the text run the commit themselves (setCombo1Text).
    connect(combo1_->lineEdit(), &QLineEdit::textEdited, this, [this] { Combo1_Change(); });
    for (int i = 0; i < static_cast<int>(option1_.size()); ++i) {
        connect(option1_[static_cast<size_t>(i)], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                Option1_Click(i);
        });
    }
    connect(command1_, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(command2_, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(txStart_, &QPushButton::clicked, this, [this] { Tx_start_Click(); });
    connect(mnuFileexit_, &QAction::triggered, this, [this] { mnuFileexit_Click(); });
    connect(mnuHelpAbout_, &QAction::triggered, this, [this] { mnuHelpAbout_Click(); });
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        // Focus that leaves for another window or for a popup (a list, a menu) has not moved
        // to another control of this window: no commit, as the menus must not commit.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            dispatchLostFocus(watched);
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            int keyAscii = kKeyAsciiEnter;
            dispatchKeyPress(watched, keyAscii);
            if (keyAscii == 0)
                return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::dispatchLostFocus(QObject* control)
{
    for (const ChoiceHandlers& choice : choices_)
        if (choice.control == control)
            choice.lostFocus();
}

void frmMain::dispatchKeyPress(QObject* control, int& KeyAscii)
{
    for (const ChoiceHandlers& choice : choices_)
        if (choice.control == control)
            choice.keyPress(KeyAscii);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    int cancel = 0;
    Form_Unload(cancel);
    if (cancel != 0)
        event->ignore();
    else
        event->accept();
}

void frmMain::moveFocusToTxStart()
{
    txStart_->setFocus(Qt::OtherFocusReason);
}

QString frmMain::CpuCaption(int page) const
{
    return page >= 1 && page <= Proto::kPageCount ? Label3(page)->text() : QString();
}

QString frmMain::SizeCaption(int page) const
{
    return page >= 1 && page <= Proto::kPageCount ? Label7(page)->text() : QString();
}
