#pragma once

// corvane-flash as a process, for the suites that run the command against simulated units.

#include "support/RampImage.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

struct Ran {
    int status = -1;
    QByteArray out, err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

class FlashProcessTest : public ::testing::Test {
protected:
    QProcess* start(const QStringList& arguments)
    {
        auto* process = new QProcess;
        processes_.emplace_back(process);
        process->setProgram(QStringLiteral(CORVANE_FLASH));
        process->setArguments(arguments);
        process->start();
        EXPECT_TRUE(process->waitForStarted());
        process->closeWriteChannel(); // no terminal, nothing typed
        return process;
    }
    static Ran finish(QProcess* process)
    {
        EXPECT_TRUE(process->waitForFinished(60000));
        return {process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
                process->readAllStandardOutput(), process->readAllStandardError()};
    }
    Ran run(const QStringList& arguments) { return finish(start(arguments)); }
    QString image(const char* name, int size, uint8_t seed = 3)
    {
        return WriteRampImageFile(dir_.filePath(QString::fromLatin1(name)), size, seed);
    }

    QTemporaryDir dir_;
    std::vector<std::unique_ptr<QProcess>> processes_;
};
