#include "support/FakeMSComm.h"

#include "support/FakeClock.h"

#include <gtest/gtest.h>

FakeMSComm& FakeMSComm::Expect(const QByteArray& prefix, const QByteArray& reply, int delayMs)
{
    script_.push_back({prefix, reply, delayMs, false});
    return *this;
}

FakeMSComm& FakeMSComm::AfterSettings(const QByteArray& reply, int delayMs)
{
    script_.push_back({QByteArray(), reply, delayMs, true});
    return *this;
}

void FakeMSComm::Deliver(const QByteArray& bytes)
{
    pending_.append(bytes);
    commEvent_ = kEvReceive;
    emit OnComm();
    commEvent_ = 0;
}

void FakeMSComm::RaiseEvent(int code)
{
    commEvent_ = code;
    emit OnComm();
    commEvent_ = 0;
}

bool FakeMSComm::Open(QString* error)
{
    ++openCount;
    if (failOpen || open_) {
        *error = openError;
        return false;
    }
    open_ = true;
    settings_ = QStringLiteral("9600,N,8,1");
    return true;
}

bool FakeMSComm::SetSettings(const QString& settings, QString*)
{
    settings_ = settings;
    settingsLog.append(settings);
    if (!script_.empty() && script_.front().afterSettings) {
        const Step step = script_.front();
        script_.pop_front();
        deliverLater(step.reply, step.delayMs);
    }
    return true;
}

bool FakeMSComm::Output(const QByteArray& bytes, QString* error)
{
    if (!open_ || refuseWrites) {
        *error = QStringLiteral("COM%1: the port is not open").arg(commPort_);
        return false;
    }
    writes.append(bytes);
    if (!script_.empty() && !script_.front().afterSettings && !script_.front().prefix.isEmpty() &&
        bytes.startsWith(script_.front().prefix)) {
        const Step step = script_.front();
        script_.pop_front();
        deliverLater(step.reply, step.delayMs);
        return true;
    }
    if (onUnscriptedOutput)
        onUnscriptedOutput(bytes);
    else if (!script_.empty())
        ADD_FAILURE() << "unexpected write " << bytes.toStdString() << ", script expects "
                      << script_.front().prefix.toStdString();
    return true;
}

void FakeMSComm::deliverLater(const QByteArray& reply, int delayMs)
{
    if (reply.isEmpty())
        return; // a unit that keeps silent
    if (clock_)
        clock_->After(delayMs, [this, reply] {
            if (open_)
                Deliver(reply);
        });
    else
        Deliver(reply);
}
