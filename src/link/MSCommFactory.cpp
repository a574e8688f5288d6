#include "link/MSComm.h"
#include "link/RemoteTls.h"

std::unique_ptr<MSComm> CreateTargetMSComm(const TlsFiles& tls);

namespace {
MSCommFactory& factory()
{
    static MSCommFactory instance;
    return instance;
}
} // namespace

std::unique_ptr<MSComm> CreateMSComm()
{
    return CreateMSComm(TlsFiles{});
}

std::unique_ptr<MSComm> CreateMSComm(const TlsFiles& tls)
{
    return factory() ? factory()() : CreateTargetMSComm(tls);
}

void SetMSCommFactory(MSCommFactory f)
{
    factory() = std::move(f);
}
