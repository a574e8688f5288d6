#pragma once

#include "unitsim/UnitSimulator.h"

#include <QString>

// The simulated programmer unit on a pseudo-terminal, with the host's port "ComN" pointed at it
// through the link <configuration folder>/ports/COMN that the real port layer follows. A test
// that wants the THRU image a target got as a file sets `options.thruImageFile`.
class SimulatedUnit {
public:
    explicit SimulatedUnit(int comPort = 1, unitsim::Options options = {});
    ~SimulatedUnit();
    SimulatedUnit(const SimulatedUnit&) = delete;
    SimulatedUnit& operator=(const SimulatedUnit&) = delete;

    bool started() const { return started_; }
    unitsim::UnitSimulator& sim() { return sim_; }
    unitsim::UnitSimulator* operator->() { return &sim_; }
    static QString LinkPath(int comPort);

private:
    static unitsim::Options withLink(unitsim::Options options, int comPort);
    unitsim::UnitSimulator sim_;
    bool started_ = false;
};
