// The port a window or a command opens: a local serial device or a remote port, whichever its
// target names at the moment of opening, behind the one port interface the link uses.
#include "link/MSComm.h"
#include "link/PortTarget.h"
#include "link/RemoteTls.h"

std::unique_ptr<MSComm> CreateSerialMSComm();
std::unique_ptr<MSComm> CreateRfc2217MSComm(const TlsFiles& tls);

namespace {

class TargetMSComm final : public MSComm {
public:
    // Until an opening names a remote port it is a local one: closed, it answers as any closed
    // port does.
    explicit TargetMSComm(TlsFiles tls) : tls_(std::move(tls)) { adopt(CreateSerialMSComm(), false); }

    void SetCommPort(int16_t n) override
    {
        commPort_ = n;
        inner_->SetCommPort(n);
    }
    int16_t CommPort() const override { return commPort_; }
    void SetDevice(const QString& target) override
    {
        fixedTarget_ = target;
        inner_->SetDevice(target);
    }
    bool Open(QString* error) override
    {
        const bool remote = IsRemoteTarget(fixedTarget_.isEmpty() ? PortTargetOf(commPort_) : fixedTarget_);
        if (remote != remote_ && !inner_->PortOpen())
            adopt(remote ? CreateRfc2217MSComm(tls_) : CreateSerialMSComm(), remote);
        return inner_->Open(error);
    }
    void Close() override { inner_->Close(); }
    bool PortOpen() const override { return inner_->PortOpen(); }
    bool SetSettings(const QString& settings, QString* error) override { return inner_->SetSettings(settings, error); }
    QString Settings() const override { return inner_->Settings(); }
    bool Output(const QByteArray& bytes, QString* error) override { return inner_->Output(bytes, error); }
    int OutBufferCount() override { return inner_->OutBufferCount(); }
    void ClearOutBuffer() override { inner_->ClearOutBuffer(); }
    void ClearInBuffer() override { inner_->ClearInBuffer(); }
    QByteArray Input() override { return inner_->Input(); }
    int CommEvent() const override { return inner_->CommEvent(); }
    bool DeviceLost() const override { return inner_->DeviceLost(); }

private:
    void adopt(std::unique_ptr<MSComm> port, bool remote)
    {
        inner_ = std::move(port);
        remote_ = remote;
        connect(inner_.get(), &MSComm::OnComm, this, &MSComm::OnComm);
        connect(inner_.get(), &MSComm::Noted, this, &MSComm::Noted);
        inner_->SetCommPort(commPort_);
        inner_->SetDevice(fixedTarget_);
    }

    TlsFiles tls_;
    std::unique_ptr<MSComm> inner_; // kept between openings of one kind: why it went away
    bool remote_ = false;
    int16_t commPort_ = 1;
    QString fixedTarget_;
};

} // namespace

std::unique_ptr<MSComm> CreateTargetMSComm(const TlsFiles& tls)
{
    return std::make_unique<TargetMSComm>(tls);
}
