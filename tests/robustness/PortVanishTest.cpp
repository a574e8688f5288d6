// The unit's adapter pulled in every phase of the exchanges: its pseudo-terminal goes, the
// COMn link is left dangling. The wait that is running ends at once as its window's receive
// error; the run shows only that and the port layer's text, a memory check after it reports
// the missing device, and the unit plugged in again reads normally.
#include "main/frmMain.h"
#include "shared/MessageBox.h"
#include "shared/Module1.h"
#include "support/SimulatedUnit.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>

std::unique_ptr<MSComm> CreateSerialMSComm();

namespace {

using SteadyClock = std::chrono::steady_clock;

// The real port control with a look at what the window writes, so that the test can pull the
// adapter while the window waits for the answer to one particular write.
class WatchedPort final : public MSComm {
public:
    WatchedPort() : inner_(CreateSerialMSComm())
    {
        connect(inner_.get(), &MSComm::OnComm, this, &MSComm::OnComm);
    }
    std::function<void(const QByteArray&)> beforeOutput;

    void SetCommPort(int16_t n) override { inner_->SetCommPort(n); }
    int16_t CommPort() const override { return inner_->CommPort(); }
    bool Open(QString* error) override { return inner_->Open(error); }
    void Close() override { inner_->Close(); }
    bool PortOpen() const override { return inner_->PortOpen(); }
    bool SetSettings(const QString& settings, QString* error) override
    {
        return inner_->SetSettings(settings, error);
    }
    QString Settings() const override { return inner_->Settings(); }
    bool Output(const QByteArray& bytes, QString* error) override
    {
        if (beforeOutput)
            beforeOutput(bytes);
        return inner_->Output(bytes, error);
    }
    int OutBufferCount() override { return inner_->OutBufferCount(); }
    void ClearOutBuffer() override { inner_->ClearOutBuffer(); }
    void ClearInBuffer() override { inner_->ClearInBuffer(); }
    QByteArray Input() override { return inner_->Input(); }
    int CommEvent() const override { return inner_->CommEvent(); }
    bool DeviceLost() const override { return inner_->DeviceLost(); }

private:
    std::unique_ptr<MSComm> inner_;
};

// S-records of `bytes` data bytes from address 0 (S2, so that images beyond 64 KB fit).
QByteArray imageOf(int bytes)
{
    QByteArray text;
    for (int address = 0; address < bytes; address += 16) {
        QByteArray record;
        record.append(char(20)).append(char(address >> 16)).append(char(address >> 8)).append(char(address));
        for (int i = 0; i < 16; ++i)
            record.append(char(address + i));
        int sum = 0;
        for (char c : record)
            sum += uint8_t(c);
        record.append(char(0xFF - (sum & 0xFF)));
        text += "S2" + record.toHex().toUpper() + "\n";
    }
    return text + "S804000000FB\n";
}

bool isCommand(const QByteArray& bytes, const char* prefix) { return bytes.startsWith(prefix); }
bool isBlockOf(const QByteArray& bytes, char fill)
{
    return bytes.size() == 33 && bytes.count(fill) == 33;
}

struct Phase {
    const char* name;
    bool transfer;     // through the transfer window (else the memory check)
    int imageBytes;    // the image written
    int pullAtWrite;   // the pull follows the n-th matching write of the window's port (from 1)
    std::function<bool(const QByteArray&)> write;
    const char* code;  // the wait's receive error
    bool checkAfter;   // the main window checks the memory after the run
};

void PrintTo(const Phase& phase, std::ostream* os) { *os << phase.name; }

const Phase kPhases[] = {
    {"MemoryCheckSpeedExchange", false, 0, 1, [](auto& b) { return isCommand(b, "CC02"); }, "ERR 202", false},
    {"MemoryCheckPageQuery", false, 0, 2, [](auto& b) { return isCommand(b, "C902"); }, "ERR 202", false},
    {"TransferSpeedExchange", true, 4096, 1, [](auto& b) { return isCommand(b, "CC02"); }, "ERR 031", false},
    {"EraseWait", true, 0x20000 + 32, 1, [](auto& b) { return isCommand(b, "C303"); }, "ERR 041", false},
    {"HeaderWait", true, 4096, 1, [](auto& b) { return isCommand(b, "C012"); }, "ERR 041", true},
    {"Blocks", true, 4096, 3, [](auto& b) { return b.size() == 33 && !isBlockOf(b, 0) && !isBlockOf(b, char(0xFF)); },
     "ERR 031", true},
    {"EndBlock", true, 4096, 1, [](auto& b) { return isBlockOf(b, 0); }, "ERR 031", true},
};

class PortVanish : public ::testing::TestWithParam<Phase> {
protected:
    PortVanish()
    {
        ResetModule1();
        SetMSCommFactory([this] {
            auto port = std::make_unique<WatchedPort>();
            ports_.push_back(port.get());
            return std::unique_ptr<MSComm>(std::move(port));
        });
        window_.emplace();
        Module1.PortNo = 1;
        Module1.PageNo = 0;
        Module1.ClockMHz = 20;
        window_->Option2(0)->setChecked(true);
        SetMessagePresenter([this](const QString&, const QString& title, MsgButtons, MsgIcon, const MessageRow*) {
            shown_.push_back(title);
            if (shown_.size() == 1 && pulledAt_)
                firstBoxMs_ = std::chrono::duration<double, std::milli>(SteadyClock::now() - *pulledAt_).count();
            return MsgResult::Ok;
        });
    }
    ~PortVanish() override
    {
        SetMessagePresenter({});
        window_.reset();
        SetMSCommFactory({});
    }

    // Pulls the adapter once the window has written the phase's bytes and waits for the answer:
    // the unit falls silent before the bytes go, then its line goes away.
    void pullDuring(const Phase& phase)
    {
        phase_ = &phase;
        const auto arm = [this](WatchedPort* port) {
            port->beforeOutput = [this, port](const QByteArray& bytes) {
                if (pullScheduled_ || !phase_->write(bytes) || ++matches_ < phase_->pullAtWrite)
                    return;
                unitsim::Faults silent;
                silent.mute = true;
                unit_->SetFaults(silent);
                pullScheduled_ = true;
                QTimer::singleShot(50, port, [this] { pull(); });
            };
        };
        if (phase.transfer)
            factoryArm_ = arm; // the transfer window makes its port when it opens
        else
            arm(ports_.front());
    }

    void pull()
    {
        unit_->Stop();
        // A pulled adapter leaves the link behind, pointing at a device that is no more. Not
        // at the closed pseudo-terminal's name: the system gives that to the next one any
        // process opens, and this window would open another test's line.
        QFile::link(dir_.filePath(QStringLiteral("ttyUSB0")), SimulatedUnit::LinkPath(1));
        pulledAt_ = SteadyClock::now();
    }

    QTemporaryDir dir_;
    SimulatedUnit unit_;
    std::vector<WatchedPort*> ports_;
    std::function<void(WatchedPort*)> factoryArm_;
    std::optional<frmMain> window_;
    QStringList shown_;
    std::optional<SteadyClock::time_point> pulledAt_;
    bool pullScheduled_ = false;
    const Phase* phase_ = nullptr;
    int matches_ = 0;
    double firstBoxMs_ = -1;
};

TEST_P(PortVanish, TheRunningWaitEndsAtOnceAsAReceiveError)
{
    const Phase& phase = GetParam();
    if (phase.transfer) {
        QFile file(dir_.filePath(QStringLiteral("IMAGE.MOT")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(imageOf(phase.imageBytes));
        file.close();
        Module1.FilePath = file.fileName();
        // The memory check before the transfer goes through the main window's port; the pull
        // waits for the transfer window's.
        SetMSCommFactory([this] {
            auto port = std::make_unique<WatchedPort>();
            ports_.push_back(port.get());
            if (factoryArm_)
                factoryArm_(port.get());
            return std::unique_ptr<MSComm>(std::move(port));
        });
    }
    pullDuring(phase);
    if (phase.transfer)
        window_->Tx_start_Click();
    else
        window_->Command2_Click();

    ASSERT_TRUE(pulledAt_.has_value()) << "the phase was never reached";
    ASSERT_FALSE(shown_.isEmpty());
    // The title proves the order: the receive error, not the time-out the wait would have
    // reached seconds later.
    EXPECT_EQ(shown_.front(), QLatin1String(phase.code)) << shown_.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(shown_.count(QLatin1String(phase.code)), 1);
    EXPECT_LE(shown_.count(QStringLiteral("Corvane-Host")), 1) << "the port layer's text once at most";
    EXPECT_EQ(shown_.count(QStringLiteral("OPEN ERROR")), phase.checkAfter ? 1 : 0);
    for (const QString& title : shown_)
        EXPECT_TRUE(title == QLatin1String(phase.code) || title == QStringLiteral("Corvane-Host") ||
                    title == QStringLiteral("OPEN ERROR"))
            << "unexpected box " << title.toStdString();
    std::printf("[ latency  ] %s: first box %.1f ms after the pull\n", phase.name, firstBoxMs_);
    RecordProperty("first_box_ms", std::to_string(firstBoxMs_));

    EXPECT_TRUE(window_->isEnabled());
    EXPECT_TRUE(window_->Tx_start()->isEnabled());
    EXPECT_TRUE(window_->Command2()->isEnabled());
    EXPECT_FALSE(window_->MSComm1->PortOpen()); // the transfer window's port went with it

    // Plugged in again (and switched off and on, as a unit left in its data phase needs):
    // it reads normally.
    std::string error;
    ASSERT_TRUE(unit_->Start(&error)) << error;
    unit_->SetFaults({});
    unit_->PowerCycle();
    shown_.clear();
    window_->Command2_Click();
    EXPECT_TRUE(shown_.isEmpty()) << shown_.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(window_->Label3(1)->text().isEmpty());
    EXPECT_FALSE(window_->MSComm1->PortOpen());
}

INSTANTIATE_TEST_SUITE_P(Phases, PortVanish, ::testing::ValuesIn(kPhases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
