#include "TransferFixture.h"

#include "shared/Module1.h"

#include <QFile>

TransferTest::TransferTest()
{
    ResetModule1();
    Module1.PortNo = 1;
    Module1.CpuIndex = 5;
    Module1.ClockMHz = 20;
    Module1.PageNo = 0;
    Module1.SpeedIndex = 0;
    file_ = dir_.path() + QStringLiteral("/ABC.MOT");
    Module1.FilePath = file_;
    Module1.FileTitle = TitleOf(file_);
    UseImage({PatternChunk(0, 32)});
    SetMSCommFactory([this] {
        auto port = std::make_unique<FakeMSComm>(&clock_);
        port_ = port.get();
        unit_.Attach(*port);
        return port;
    });
}

TransferTest::~TransferTest()
{
    window_.reset();
    SetMSCommFactory(nullptr);
}

frmTx& TransferTest::Window()
{
    if (!window_)
        window_ = std::make_unique<frmTx>(view_);
    return *window_;
}

FakeMSComm& TransferTest::Port()
{
    Window();
    return *port_;
}

void TransferTest::Run()
{
    ExpectSpeed(9600);
    Window().exec();
}

void TransferTest::UseImage(const std::vector<ImageChunk>& chunks)
{
    ASSERT_TRUE(WriteSRecordFile(file_, chunks));
    image_ = ImageOf(chunks);
}

void TransferTest::UseDataEnd(uint32_t dataEnd)
{
    std::vector<ImageChunk> chunks{PatternChunk(0, 32)};
    if (dataEnd >= 32)
        chunks.push_back(PatternChunk(dataEnd, 1, 1));
    else
        chunks.front().bytes.resize(dataEnd + 1);
    UseImage(chunks);
}

void TransferTest::UseFileText(const QByteArray& text)
{
    QFile file(file_);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

void TransferTest::StopBeforeHeader()
{
    clock_.After(0, [this] { Window().Command1_Click(); });
}

void TransferTest::ExpectSpeed(int baud)
{
    Port().Expect(baud == 9600 ? "CC0200FD\r\n" : "CC02807D\r\n", "OK\r\n").AfterSettings("GO\r\n");
}

void TransferTest::ExpectErase(int unitPage, const QByteArray& reply, int delayMs)
{
    Port().Expect(EraseLine(unitPage), reply, delayMs);
}

void TransferTest::ExpectStoreHeader(const QByteArray& reply)
{
    Port().Expect("C012", reply);
}

void TransferTest::AnswerDirectHeader(const QByteArray& first, const QByteArray& second)
{
    unit_.onLine = [this, first, second](const QByteArray& line) {
        ASSERT_TRUE(line.startsWith("CF0740")) << line.toStdString();
        FakeMSComm* port = port_;
        if (!first.isEmpty())
            clock_.After(5, [port, first] { port->Deliver(first); });
        if (!second.isEmpty())
            clock_.After(200, [port, second] { port->Deliver(second); });
    };
}

QByteArrayList TransferTest::Lines()
{
    QByteArrayList lines;
    for (const QByteArray& write : Port().writes)
        if (write.size() != 33)
            lines.append(write);
    return lines;
}

QByteArray TransferTest::ExpectedStream(int32_t sendEnd) const
{
    return QByteArray(reinterpret_cast<const char*>(image_.data()), sendEnd + 1);
}

QByteArray EraseLine(int unitPage)
{
    // Count, page and complement always add up to 258: every erase line ends in "FD".
    return QStringLiteral("C303%1%2FD\r\n")
        .arg(unitPage, 2, 16, QLatin1Char('0'))
        .arg(255 - unitPage, 2, 16, QLatin1Char('0'))
        .toUpper()
        .toLatin1();
}
