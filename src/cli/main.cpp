// corvane-flash: the memory check and the transfer run for scripts and production lines.
#include "cli/Program.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

// One line from the terminal; nothing at its end or when Ctrl-C interrupts the read.
std::optional<QString> readTerminalLine()
{
    QByteArray line;
    char c = 0;
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n <= 0)
            return line.isEmpty() || n < 0 ? std::nullopt : std::optional<QString>(QString::fromLocal8Bit(line));
        if (c == '\n')
            return QString::fromLocal8Bit(line);
        line.append(c);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvane-flash"));
    QTextStream out(stdout), err(stderr);
    QElapsedTimer clock;
    clock.start();
    cli::Streams streams{out, err, ::isatty(STDIN_FILENO) == 1, ::isatty(STDERR_FILENO) == 1, readTerminalLine,
                         [&clock] { return static_cast<double>(clock.nsecsElapsed()) / 1e9; }};
    return cli::RunProgram(app.arguments().mid(1), streams, cli::CreateFlashSession,
                           QCoreApplication::applicationFilePath());
}
