#include "link/MSComm.h"

std::unique_ptr<MSComm> CreateTargetMSComm();

namespace {
MSCommFactory& factory()
{
    static MSCommFactory instance;
    return instance;
}
} // namespace

std::unique_ptr<MSComm> CreateMSComm()
{
    return factory() ? factory()() : CreateTargetMSComm();
}

void SetMSCommFactory(MSCommFactory f)
{
    factory() = std::move(f);
}
