// corvane-flash on fake sessions, for the gang tests: started as a gang it starts itself as the
// workers. The port's name says how the unit behaves: /fake/done…, /fake/fault…, /fake/silent…,
// /fake/hang… (blocks until stopped), /fake/crash…, /fake/late… (crashes after telling that it
// is done).
#include "FakeSession.h"

#include "cli/Program.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <QThread>

#include <cstdlib>
#include <unistd.h>

namespace {

RunReport sendBlocks(cli::SessionFront& front, int blocks)
{
    front.ShowSpeed(true);
    front.StartProgress(blocks * 32 - 1);
    for (int i = 1; i <= blocks; ++i)
        front.ShowProgress(i * 32, i * 100 / blocks);
    RunReport outcome;
    outcome.result = RunReport::Result::Done;
    outcome.blocksAccepted = blocks;
    outcome.blockBaud = 38400;
    return outcome;
}

std::unique_ptr<cli::FlashSession> makeSession(const SavedChoices&, const QString& device, const TlsFiles&,
                                               cli::SessionFront& front, bool)
{
    auto session = std::make_unique<FakeSession>(front);
    const QString kind = device.section(QLatin1Char('/'), -1);
    session->checks = {{AllRead(), {}}};
    if (kind.startsWith(QLatin1String("silent"))) {
        PageReading none;
        none.opened = true;
        none.stoppedRow = &Messages::kErr201;
        session->checks = {{none, {{&Messages::kErr201, {}}}}};
    } else if (kind.startsWith(QLatin1String("fault"))) {
        session->run = [](cli::SessionFront& f, FakeSession&) {
            sendBlocks(f, 10);
            FakeSession::Show(f, {&Messages::kErr102, {}});
            RunReport outcome;
            outcome.stoppedRow = &Messages::kErr102;
            outcome.blocksAccepted = 10;
            return outcome;
        };
    } else if (kind.startsWith(QLatin1String("hang"))) {
        session->run = [](cli::SessionFront& f, FakeSession& self) {
            f.Message(nullptr, QStringLiteral("READY"), QStringLiteral("blocks going"));
            return FakeSession::BlocksUntilStopped(f, self);
        };
    } else if (kind.startsWith(QLatin1String("crash"))) {
        session->run = [](cli::SessionFront&, FakeSession&) -> RunReport { std::abort(); };
    } else {
        session->run = [](cli::SessionFront& f, FakeSession&) { return sendBlocks(f, 128); };
    }
    return session;
}

std::optional<QString> noTerminal()
{
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    QElapsedTimer clock;
    clock.start();
    cli::Streams streams{out, err, false, ::isatty(STDERR_FILENO) == 1, noTerminal, [&clock] { return clock.elapsed() / 1000.0; }};
    const int status = cli::RunProgram(app.arguments().mid(1), streams, makeSession, QCoreApplication::applicationFilePath());
    if (app.arguments().filter(QStringLiteral("/fake/late")).size() == 1 && app.arguments().contains(QStringLiteral("--worker"))) {
        out.flush();
        std::abort();
    }
    return status;
}
