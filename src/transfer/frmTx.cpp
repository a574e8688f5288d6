// The transfer window: its controls at their design positions (twips) and its event handlers.
#include "transfer/frmTx.h"

#include "shared/Placement.h"
#include "shared/Twips.h"
#include "transfer/HiddenTextProgressBar.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

frmTx::frmTx(const MemoryView& memoryView, QWidget* parent)
    : QDialog(parent), MSComm1(CreateMSComm()), link(std::make_unique<Link>(*MSComm1, kTransferWindowLink)),
      run_(*MSComm1, *link, memoryView, *this)
{
    setObjectName(QStringLiteral("frmTx"));
    setWindowTitle(QStringLiteral("転送中"));
    setModal(true);
    setFixedSize(TwipsToPixels(4755), TwipsToPixels(1785));

    frame1_ = Place<QGroupBox>(this, QStringLiteral("Frame1"), 120, 240, 4575, 795);
    frame1_->setTitle(QStringLiteral("転送ﾒｰﾀｰ"));
    progressBar1_ = Place<HiddenTextProgressBar>(frame1_, QStringLiteral("ProgressBar1"), 120, 300, 3735, 315);
    progressBar1_->setTextVisible(false);
    progressBar1_->setRange(0, 100);
    progressBar1_->setValue(0);
    label1_ = Place<QLabel>(frame1_, QStringLiteral("Label1"), 4080, 360, 375, 255);
    label1_->setText(QStringLiteral("   "));
    label2_ = Place<QLabel>(this, QStringLiteral("Label2"), 1380, 1260, 1275, 195);
    command1_ = Place<QPushButton>(this, QStringLiteral("Command1"), 3420, 1260, 1215, 375);
    command1_->setText(QStringLiteral("中止"));
    connect(command1_, &QPushButton::clicked, this, &frmTx::Command1_Click);
}

frmTx::~frmTx()
{
    Form_Unload();
}

void frmTx::RunModal(QWidget* owner, const MemoryView& memoryView)
{
    frmTx window(memoryView, owner);
    window.exec();
}

void frmTx::Form_Activate()
{
    running_ = true;
    run_.Run(); // its messages are the window's whole report
    running_ = false;
    done(QDialog::Accepted);
}

void frmTx::Command1_Click()
{
    run_.RequestStop();
}

void frmTx::Form_Unload()
{
    if (MSComm1->PortOpen())
        MSComm1->Close();
}

void frmTx::ShowSpeed(bool highSpeed)
{
    label2_->setText(QLatin1String(highSpeed ? "38.4kbps" : "9.6kbps"));
}

void frmTx::StartProgress(int32_t maximum)
{
    shownPercent_ = 0;
    label1_->setText(QStringLiteral("0%"));
    progressBar1_->setMaximum(maximum);
    progressBar1_->setValue(0);
}

void frmTx::ShowProgress(int32_t position, int percent)
{
    // Rewriting an unchanged label would only cost a repaint per block.
    if (percent != shownPercent_) {
        shownPercent_ = percent;
        label1_->setText(QString::number(percent) + QLatin1Char('%'));
    }
    progressBar1_->setValue(position);
}

void frmTx::done(int result)
{
    Form_Unload();
    QDialog::done(result);
}

void frmTx::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous() || running_)
        return;
    // The run starts once the window is on screen, so the operator sees it from the first step.
    running_ = true;
    QTimer::singleShot(0, this, &frmTx::Form_Activate);
}

// The close box and the Escape key ask for a stop like the stop button: the run ends only
// through its own ending, which puts the unit back to 9600 bit/s.
void frmTx::closeEvent(QCloseEvent* event)
{
    if (!running_) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    Command1_Click();
}

void frmTx::reject()
{
    if (running_)
        Command1_Click();
    else
        QDialog::reject();
}
