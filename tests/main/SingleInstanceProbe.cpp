// Helper for the single-instance tests: a second process that tries the guard.
//   single_instance_probe <lock path> try    exits 0 when it got the lock, 1 when refused
//   single_instance_probe <lock path> crash  takes the lock and dies without releasing it
#include "main/SingleInstance.h"

#include <QCoreApplication>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    SingleInstance guard(QString::fromLocal8Bit(argv[1]));
    const bool acquired = guard.Acquire();
    if (std::strcmp(argv[2], "crash") == 0 && acquired)
        std::_Exit(0); // no destructors: the lock file stays behind, as after a crash
    return acquired ? 0 : 1;
}
