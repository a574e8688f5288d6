// The port a window or a command opens: a local serial device or a remote port, whichever its
// target names at the moment of opening, behind the one port interface the link uses.
#include "link/MSComm.h"
#include "link/PortTarget.h"
#include "link/Protocol.h"

std::unique_ptr<MSComm> CreateSerialMSComm();
std::unique_ptr<MSComm> CreateRfc2217MSComm();

namespace {

class TargetMSComm final : public MSComm {
public:
    void SetCommPort(int16_t n) override
    {
        commPort_ = n;
        if (inner_)
            inner_->SetCommPort(n);
    }
    int16_t CommPort() const override { return commPort_; }
    void SetDevice(const QString& target) override
    {
        fixedTarget_ = target;
        if (inner_)
            inner_->SetDevice(target);
    }
    bool Open(QString* error) override
    {
        const bool remote = IsRemoteTarget(fixedTarget_.isEmpty() ? PortTargetOf(commPort_) : fixedTarget_);
        if (!inner_ || (remote != remote_ && !inner_->PortOpen())) {
            inner_ = remote ? CreateRfc2217MSComm() : CreateSerialMSComm();
            remote_ = remote;
            connect(inner_.get(), &MSComm::OnComm, this, &MSComm::OnComm);
            connect(inner_.get(), &MSComm::Noted, this, &MSComm::Noted);
            inner_->SetCommPort(commPort_);
            inner_->SetDevice(fixedTarget_);
        }
        return inner_->Open(error);
    }
    void Close() override
    {
        if (inner_)
            inner_->Close();
    }
    bool PortOpen() const override { return inner_ && inner_->PortOpen(); }
    bool SetSettings(const QString& settings) override
    {
        if (inner_)
            return inner_->SetSettings(settings);
        if (settings.section(QLatin1Char(','), 0, 0).toInt() <= 0)
            return false;
        settings_ = settings;
        return true;
    }
    QString Settings() const override { return inner_ ? inner_->Settings() : settings_; }
    bool Output(const QByteArray& bytes, QString* error) override
    {
        if (inner_)
            return inner_->Output(bytes, error);
        *error = QStringLiteral("COM%1: the port is not open").arg(commPort_);
        return false;
    }
    int OutBufferCount() override { return inner_ ? inner_->OutBufferCount() : 0; }
    void ClearOutBuffer() override
    {
        if (inner_)
            inner_->ClearOutBuffer();
    }
    void ClearInBuffer() override
    {
        if (inner_)
            inner_->ClearInBuffer();
    }
    QByteArray Input() override { return inner_ ? inner_->Input() : QByteArray(); }
    int CommEvent() const override { return inner_ ? inner_->CommEvent() : 0; }
    bool DeviceLost() const override { return inner_ && inner_->DeviceLost(); }

private:
    std::unique_ptr<MSComm> inner_; // kept between openings: its settings and why it went away
    bool remote_ = false;
    int16_t commPort_ = 1;
    QString fixedTarget_;
    QString settings_ = QString::fromLatin1(Proto::kSettings9600);
};

} // namespace

std::unique_ptr<MSComm> CreateTargetMSComm()
{
    return std::make_unique<TargetMSComm>();
}
