// corvane-flash on fake sessions, for the gang tests: started as a gang it starts itself as the
// workers. The port's name says how the unit behaves: /fake/done…, /fake/fault…, /fake/silent…,
// /fake/hang… (blocks until stopped), /fake/crash….
#include "FakeSession.h"

#include "cli/Program.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <QThread>

#include <cstdlib>
#include <unistd.h>

namespace {

cli::RunOutcome sendBlocks(cli::SessionFront& front, int blocks)
{
    front.ShowSpeed(true);
    front.StartProgress(blocks * 32 - 1);
    for (int i = 1; i <= blocks; ++i)
        front.ShowProgress(i * 32, i * 100 / blocks);
    cli::RunOutcome outcome;
    outcome.result = cli::RunOutcome::Result::Done;
    outcome.blocksAccepted = blocks;
    outcome.blockBaud = 38400;
    return outcome;
}

std::unique_ptr<cli::FlashSession> makeSession(const cli::FlashChoices& choices, cli::SessionFront& front, bool)
{
    auto session = std::make_unique<FakeSession>(front);
    const QString kind = choices.device.section(QLatin1Char('/'), -1);
    session->checks = {{AllRead(), {}}};
    if (kind.startsWith(QLatin1String("silent"))) {
        cli::PageReading none;
        none.opened = true;
        session->checks = {{none, {{QStringLiteral("ERR 201"), QStringLiteral("受信ﾀｲﾑｵｰﾊﾞｰが発生しました")}}}};
    } else if (kind.startsWith(QLatin1String("fault"))) {
        session->run = [](cli::SessionFront& f, FakeSession&) {
            sendBlocks(f, 10);
            f.Message(QStringLiteral("ERR 102"), QStringLiteral("ﾌﾗｯｼｭﾒﾓﾘｴﾗｰが発生しました"), false);
            cli::RunOutcome outcome;
            outcome.stoppedBy = QStringLiteral("ERR 102");
            outcome.blocksAccepted = 10;
            return outcome;
        };
    } else if (kind.startsWith(QLatin1String("hang"))) {
        session->run = [](cli::SessionFront& f, FakeSession& self) {
            f.Message(QStringLiteral("READY"), QStringLiteral("blocks going"), false);
            return FakeSession::BlocksUntilStopped(f, self);
        };
    } else if (kind.startsWith(QLatin1String("crash"))) {
        session->run = [](cli::SessionFront&, FakeSession&) -> cli::RunOutcome { std::abort(); };
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
    return cli::RunProgram(app.arguments().mid(1), streams, makeSession, QCoreApplication::applicationFilePath());
}
