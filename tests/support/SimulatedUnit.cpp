#include "support/SimulatedUnit.h"

#include "shared/Settings.h"

#include <QFile>

#include <gtest/gtest.h>

QString SimulatedUnit::LinkPath(int comPort)
{
    return AppConfigFolder() + QStringLiteral("/ports/COM%1").arg(comPort);
}

unitsim::Options SimulatedUnit::withLink(unitsim::Options options, int comPort)
{
    options.linkPath = QFile::encodeName(LinkPath(comPort)).toStdString();
    return options;
}

SimulatedUnit::SimulatedUnit(int comPort, unitsim::Options options) : sim_(withLink(std::move(options), comPort))
{
    std::string error;
    started_ = sim_.Start(&error);
    if (!started_)
        ADD_FAILURE() << "simulated unit did not start: " << error;
}

SimulatedUnit::~SimulatedUnit()
{
    sim_.Stop();
}
