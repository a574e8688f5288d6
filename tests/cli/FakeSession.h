#pragma once

#include "cli/FlashSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>

#include <functional>
#include <memory>

// A session that plays back what a test sets up: each memory check takes the next reading,
// messages are shown through the front as the real run shows them.
class FakeSession : public cli::FlashSession {
public:
    explicit FakeSession(cli::SessionFront& front) : front(front) {}

    struct Msg {
        QString code, text;
    };
    struct Check {
        cli::PageReading reading;
        QList<Msg> messages;
    };
    QList<Check> checks;               // one per ReadPages call, the last one repeats
    cli::PlanOutcome plan;
    QList<Msg> planMessages;
    std::function<cli::RunOutcome(cli::SessionFront&, FakeSession&)> run;
    // Outlive the session, which the program destroys before it returns.
    struct Counts {
        int read = 0, write = 0, stop = 0;
    };
    std::shared_ptr<Counts> counts = std::make_shared<Counts>();

    cli::PageReading ReadPages() override
    {
        const Check& check = checks.at(std::min<qsizetype>(counts->read, checks.size() - 1));
        ++counts->read;
        for (const Msg& m : check.messages)
            front.Message(m.code, m.text, false);
        return check.reading;
    }
    cli::PlanOutcome Plan() override
    {
        for (const Msg& m : planMessages)
            front.Message(m.code, m.text, false);
        return plan;
    }
    cli::RunOutcome Write() override
    {
        ++counts->write;
        return run ? run(front, *this) : cli::RunOutcome{};
    }
    void RequestStop() override { ++counts->stop; }

    // A run that sends blocks until the stop request, spinning the event loop in its waits.
    static cli::RunOutcome BlocksUntilStopped(cli::SessionFront& front, FakeSession& self)
    {
        front.StartProgress(0x1FFFF);
        QElapsedTimer waited;
        waited.start();
        while (self.counts->stop == 0 && waited.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        cli::RunOutcome outcome;
        outcome.result = self.counts->stop ? cli::RunOutcome::Result::Cancelled : cli::RunOutcome::Result::Done;
        return outcome;
    }

    cli::SessionFront& front;
};

inline cli::PageView FullPage(const QString& cpu, int code, uint32_t hz, const QString& name, uint32_t size)
{
    cli::PageView v;
    v.empty = false;
    v.cpuCode = code;
    v.clockHz = hz;
    v.sizeBytes = size;
    v.cpu = cpu;
    v.clock = QStringLiteral("%1").arg(hz / 1e6, 0, 'f', 4);
    v.name = name;
    v.size = QString::number((size + 1023) / 1024);
    return v;
}

inline cli::PageView EmptyPage()
{
    cli::PageView v;
    v.cpu = QStringLiteral("------");
    v.clock = QStringLiteral("-------");
    v.name = QStringLiteral("-----------");
    v.size = QStringLiteral("----");
    return v;
}

inline cli::PageReading AllRead()
{
    cli::PageReading r;
    r.opened = r.answered = true;
    r.pages = {FullPage(QStringLiteral("3048F"), 0, 16000000, QStringLiteral("blink.mot   "), 2048), EmptyPage(),
               EmptyPage(), EmptyPage()};
    return r;
}
