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
        const MessageRow* row;
        QString text; // empty: the row's own text
    };
    struct Check {
        PageReading reading;
        QList<Msg> messages;
    };
    QList<Check> checks; // one per ReadPages or ReadFirstPage call, the last one repeats
    imagebuf::ImageLoad image;
    QByteArray imageBytes; // what the image buffer holds from address 0
    QList<Msg> loadMessages;
    std::optional<ImagePatch> patch; // as the command set it
    std::function<RunReport(cli::SessionFront&, FakeSession&)> run;
    // Outlive the session, which the program destroys before it returns.
    struct Counts {
        int read = 0, first = 0, write = 0, stop = 0;
    };
    std::shared_ptr<Counts> counts = std::make_shared<Counts>();

    static void Show(cli::SessionFront& front, const Msg& m)
    {
        front.Message(m.row, QString::fromUtf8(m.row->code), m.text.isEmpty() ? MessageText(*m.row) : m.text);
    }

    bool PrepareTransfer() override { return true; }
    void SetImagePatch(const ImagePatch& placed) override { patch = placed; }
    PageReading ReadPages() override
    {
        ++counts->read;
        return nextCheck();
    }
    PageReading ReadFirstPage() override
    {
        ++counts->first;
        PageReading reading = nextCheck();
        reading.pagesAsked = 1;
        return reading;
    }
    imagebuf::ImageLoad LoadImage() override
    {
        for (const Msg& m : loadMessages)
            Show(front, m);
        return image;
    }
    RunReport Write() override
    {
        ++counts->write;
        return run ? run(front, *this) : RunReport{};
    }
    QByteArray ImageBytes(int32_t sendEnd) const override { return imageBytes.left(sendEnd + 1); }
    void RequestStop() override { ++counts->stop; }

    // A run that sends blocks until the stop request, spinning the event loop in its waits.
    static RunReport BlocksUntilStopped(cli::SessionFront& front, FakeSession& self)
    {
        front.StartProgress(0x1FFFF);
        QElapsedTimer waited;
        waited.start();
        while (self.counts->stop == 0 && waited.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        RunReport report;
        report.result = self.counts->stop ? RunReport::Result::Cancelled : RunReport::Result::Done;
        return report;
    }

    cli::SessionFront& front;

private:
    PageReading nextCheck()
    {
        const Check& check = checks.at(std::min<qsizetype>(counts->read + counts->first - 1, checks.size() - 1));
        for (const Msg& m : check.messages)
            Show(front, m);
        return check.reading;
    }
};

// A page record as the unit sends it: a name of up to 12 bytes, padded with blanks.
inline PageInfo FullPage(int cpu, uint32_t hz, const QByteArray& name, uint32_t size)
{
    PageInfo info;
    info.status = 1;
    info.cpu = static_cast<uint8_t>(cpu);
    info.clockHz = hz;
    info.name.fill(' ');
    std::copy_n(name.constData(), std::min<qsizetype>(name.size(), Proto::kRecordNameBytes), info.name.begin());
    info.sizeBytes = size;
    return info;
}

inline PageInfo EmptyPage()
{
    return PageInfo{};
}

inline PageReading AllRead()
{
    PageReading r;
    r.opened = r.answered = true;
    r.pages = {FullPage(0, 16000000, "blink.mot", 2048), EmptyPage(), EmptyPage(), EmptyPage()};
    return r;
}
