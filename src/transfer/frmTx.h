#pragma once

#include "link/Link.h"
#include "link/MSComm.h"
#include "shared/MemoryView.h"
#include "transfer/RunFront.h"
#include "transfer/RunValues.h"
#include "transfer/TransferRun.h"

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <memory>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;

// The modal transfer window: one complete programming run from its showing to its unloading,
// on its own serial port. The operator can only ask the run to stop; the run always ends by
// returning the unit to 9600 bit/s and closing the port, and the window then unloads.
class frmTx : public QDialog, public RunFront {
    Q_OBJECT

public:
    // The memory view is the run's only knowledge of what the unit's pages hold.
    explicit frmTx(const MemoryView& memoryView, QWidget* parent = nullptr);
    ~frmTx() override;

    // Shows a transfer window modally over `owner` and returns when its run has ended.
    static void RunModal(QWidget* owner, const MemoryView& memoryView);

    // The run; started once each time the window is shown.
    void Form_Activate();
    // The stop button: asks the run to stop at its next look at the request, nothing else.
    void Command1_Click();
    // Closes the port if it is still open.
    void Form_Unload();

    // RunFront: the speed label, the bar and the percentage.
    void ShowSpeed(bool highSpeed) override;
    void StartProgress(int32_t maximum) override;
    void ShowProgress(int32_t position, int percent) override;

    QGroupBox* Frame1() const { return frame1_; }
    QProgressBar* ProgressBar1() const { return progressBar1_; }
    QLabel* Label1() const { return label1_; }
    QLabel* Label2() const { return label2_; }
    QPushButton* Command1() const { return command1_; }

    // The window's own serial port and the link primitives on it.
    std::unique_ptr<MSComm> MSComm1;
    std::unique_ptr<Link> link;

    // The values and the outcome of the latest run.
    const RunValues& Run() const { return run_.Values(); }

public slots:
    void done(int result) override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QGroupBox* frame1_ = nullptr;
    QProgressBar* progressBar1_ = nullptr;
    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QPushButton* command1_ = nullptr;

    TransferRun run_;
    bool running_ = false;  // from the showing until the run has ended
    int shownPercent_ = -1; // the percentage Label1 shows
};
