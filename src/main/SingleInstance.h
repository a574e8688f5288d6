#pragma once

#include <QLockFile>
#include <QString>

// Keeps a second copy of the program from starting: the first instance holds a lock file in
// the user's runtime folder for as long as it runs. A lock left behind by an instance that
// crashed counts as free, because the process it names is gone.
class SingleInstance {
public:
    SingleInstance();
    explicit SingleInstance(const QString& lockPath);
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False only when another running instance holds the lock. A lock that cannot be made at
    // all (no runtime folder, no permission) does not keep the program from running.
    bool Acquire();

    // "<runtime folder>/Corvane-Host.lock"; the runtime folder is $XDG_RUNTIME_DIR, or a
    // per-user folder under the temporary folder when that is not set.
    static QString DefaultLockPath();

private:
    QLockFile lock_;
};

// Start-up's first step: when another instance is running, tells the operator so (OK only,
// the application title as caption) and returns true; this copy must then end at once,
// without reading or writing any setting.
bool RefuseSecondInstance(SingleInstance& guard);
