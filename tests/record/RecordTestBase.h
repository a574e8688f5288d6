#pragma once

#include "record/Record.h"
#include "support/PostgresServer.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

enum class Backend { SQLite, PostgreSQL };

// A test run on a fresh record of each kind: an SQLite file in a temporary folder, or a database
// of a PostgreSQL server of its own (skipped where PostgreSQL is not installed).
class RecordBackendTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override;
    std::unique_ptr<record::Record> OpenRecord();

    QTemporaryDir dir_;
    std::unique_ptr<PostgresServer> server_;
    QString where_;
};

std::string BackendName(const ::testing::TestParamInfo<Backend>& info);

#define RECORD_ON_BOTH_BACKENDS(suite)                                                                      \
    INSTANTIATE_TEST_SUITE_P(Backends, suite, ::testing::Values(Backend::SQLite, Backend::PostgreSQL),     \
                             BackendName)

// A reserver holding one number until it is killed.
class Holder {
public:
    Holder(const QString& where, const QString& product, quint64 first);
    ~Holder();
    std::optional<quint64> serial() const { return serial_; }
    // SIGKILL, and the process reaped: nothing of it is left to look alive.
    void Kill();

private:
    QProcess process_;
    std::optional<quint64> serial_;
};
