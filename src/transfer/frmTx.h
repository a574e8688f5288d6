#pragma once

#include "link/Link.h"
#include "link/MSComm.h"
#include "shared/MemoryView.h"
#include "transfer/RunValues.h"

#include <QByteArray>
#include <QDialog>

#include <cstdint>
#include <memory>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;

// The modal transfer window: one complete programming run from its showing to its unloading,
// on its own serial port. The operator can only ask the run to stop; the run always ends by
// returning the unit to 9600 bit/s, closing the port and unloading the window.
class frmTx : public QDialog {
    Q_OBJECT

public:
    // The memory view is the run's only knowledge of what the unit's pages hold.
    explicit frmTx(const MemoryView& memoryView, QWidget* parent = nullptr);
    ~frmTx() override;

    // Shows a transfer window modally over `owner` and returns when its run has ended.
    static void RunModal(QWidget* owner, const MemoryView& memoryView);

    // The run (TransferRun.cpp); started once each time the window is shown.
    void Form_Activate();
    // The stop button: asks the run to stop at its next look at the request, nothing else.
    void Command1_Click();
    // Closes the port if it is still open.
    void Form_Unload();

    // The upper-case hex digit's character code for n = 0..15.
    static int NibbleToHex(int n);

    // The marker blocks that end the data stream early (all 0xFF) and after the last block
    // (all 0x00). Neither result is looked at: the primitives report their own failures.
    void SendAbortBlock();
    void SendEndBlock();

    QGroupBox* Frame1() const { return frame1_; }
    QProgressBar* ProgressBar1() const { return progressBar1_; }
    QLabel* Label1() const { return label1_; }
    QLabel* Label2() const { return label2_; }
    QPushButton* Command1() const { return command1_; }

    // The window's own serial port and the link primitives on it.
    std::unique_ptr<MSComm> MSComm1;
    std::unique_ptr<Link> link;

    // The values of the latest run.
    const RunValues& Run() const { return run_; }

public slots:
    void done(int result) override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class RunStep { GoOn, Stop };

    // TransferRun.cpp
    void runSteps();
    void prepareProgress();
    void buildName();
    RunStep sendPageStoreHeader();
    RunStep sendDirectHeader();
    RunStep sendHeader(QString command, int16_t count);
    RunStep awaitHeaderReply();
    void Ending();
    // ImageLoading.cpp
    RunStep LoadImage();
    // PagePlanning.cpp
    RunStep PlanPages();
    RunStep planLowerPage();
    RunStep planUpperPages();
    RunStep erasePages(int16_t first, int16_t last);
    RunStep ErasePage(int16_t n);
    // BlockWrite.cpp
    void WriteBlocks();
    void sendMarkerBlock(char fill);
    void showProgress(int32_t position);

    void discardInput();

    const MemoryView& memoryView_;
    QGroupBox* frame1_ = nullptr;
    QProgressBar* progressBar1_ = nullptr;
    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QPushButton* command1_ = nullptr;

    bool running_ = false; // from the showing until the run has unloaded the window
    RunValues run_;
    QByteArray txBlock_;    // reused for every data block
    int shownPercent_ = -1; // the percentage Label1 shows
};
