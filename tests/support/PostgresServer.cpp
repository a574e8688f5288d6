#include "support/PostgresServer.h"

#include "support/DeviceServer.h"

#include <QDir>
#include <QProcess>
#include <QUrl>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

namespace {

constexpr int kCommandTimeoutMs = 120000;

QString dataFolder(const QTemporaryDir& dir)
{
    return dir.filePath(QStringLiteral("data"));
}

// The folder must be the server's own: initdb makes the cluster in it, the server its socket.
bool handToPostgres(const QString& folder)
{
    if (::geteuid() != 0)
        return true;
    const passwd* postgres = ::getpwnam("postgres");
    return postgres && ::chown(QFile::encodeName(folder).constData(), postgres->pw_uid, postgres->pw_gid) == 0;
}

} // namespace

std::optional<QString> PostgresServer::BinFolder()
{
    const QDir versions(QStringLiteral("/usr/lib/postgresql"));
    for (const QString& version : versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed)) {
        const QString bin = versions.filePath(version + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")) && QFile::exists(bin + QStringLiteral("/pg_ctl")))
            return bin;
    }
    return std::nullopt;
}

PostgresServer::PostgresServer()
{
    const std::optional<QString> bin = BinFolder();
    if (!bin)
        return;
    bin_ = *bin;
    if (!dir_.isValid() || !handToPostgres(dir_.path())) {
        ADD_FAILURE() << "no folder for PostgreSQL";
        return;
    }
    // The port only names the socket in the test's own folder.
    port_ = DeviceServer::FreePort();
    const QString options = QStringLiteral("-c listen_addresses='' -c unix_socket_directories='%1' -p %2 -c fsync=off")
                                .arg(dir_.path())
                                .arg(port_);
    started_ = run(QStringLiteral("initdb"), {QStringLiteral("-D"), dataFolder(dir_), QStringLiteral("-U"),
                                              QStringLiteral("postgres"), QStringLiteral("-A"), QStringLiteral("trust"),
                                              QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C"),
                                              QStringLiteral("--no-sync"), QStringLiteral("--no-instructions")}) &&
               run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), dataFolder(dir_), QStringLiteral("-o"), options,
                                              QStringLiteral("-l"), dir_.filePath(QStringLiteral("server.log")),
                                              QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("100"),
                                              QStringLiteral("start")});
}

PostgresServer::~PostgresServer()
{
    Stop();
}

void PostgresServer::Stop()
{
    if (!started_)
        return;
    started_ = false;
    run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), dataFolder(dir_), QStringLiteral("-m"),
                                   QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
}

QString PostgresServer::ConnectionString() const
{
    return QStringLiteral("host=%1 port=%2 dbname=postgres user=postgres").arg(dir_.path()).arg(port_);
}

QString PostgresServer::Url() const
{
    // One arg() call: the encoded folder's "%2F" must not be taken for a place marker.
    return QStringLiteral("postgresql://postgres@%1:%2/postgres")
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(dir_.path())), QString::number(port_));
}

bool PostgresServer::run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(dir_.path());
    const QString path = bin_ + QLatin1Char('/') + program;
    if (::geteuid() == 0)
        process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                                             QStringLiteral("--"), path} + arguments);
    else
        process.start(path, arguments);
    const bool finished = process.waitForFinished(kCommandTimeoutMs);
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    ADD_FAILURE() << program.toStdString() << " failed: " << process.readAll().toStdString();
    return false;
}
