#pragma once

#include <QString>
#include <QTemporaryDir>

#include <optional>

// A real PostgreSQL server for one test: a cluster made by initdb in a temporary folder, run by
// pg_ctl as the postgres user (the tests run as root, which the server refuses to be), listening
// on a Unix socket in that folder only. Stopped with this object.
class PostgresServer {
public:
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // The folder of initdb and pg_ctl, none when PostgreSQL is not installed: tests skip then.
    static std::optional<QString> BinFolder();

    bool started() const { return started_; }
    // "host=<folder> port=<n> dbname=postgres user=postgres", as libpq takes it.
    QString ConnectionString() const;
    // postgresql://postgres@%2F…:<n>/postgres, the socket folder percent-encoded.
    QString Url() const;
    // Ends the server at once; a later connection is refused.
    void Stop();

private:
    bool run(const QString& program, const QStringList& arguments);

    QTemporaryDir dir_;
    QString bin_;
    int port_ = 0;
    bool started_ = false;
};
