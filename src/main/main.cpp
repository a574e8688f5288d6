#include "main/MessageBoxPresenter.h"
#include "main/SingleInstance.h"
#include "main/frmMain.h"
#include "shared/Version.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "Usage: corvane-host [--help | --version]\n"
    "The desktop host program of the Corvane, a serial-line flash programmer unit for H8, H8S\n"
    "and SH microcontrollers. In one window, pick a serial port, the target CPU, its clock, a\n"
    "line speed, one of the unit's four 128 KB pages (or THRU) and a Motorola S-record file\n"
    "(*.mot, *.s); the memory check shows what the unit's pages hold, the transfer writes the\n"
    "file into the unit.\n"
    "\n"
    "Every choice is made in the window and kept in the settings file; the program takes no\n"
    "other arguments. Only one copy runs at a time.\n"
    "\n"
    "Options:\n"
    "  --help       show this text and exit\n"
    "  --version    show the version and exit\n";

// Answered before any window-system object exists, so that they work without a display (the
// manual page is made from them at build time) and never meet the single-instance guard.
// Returns the exit status, or -1 when the window is to start.
int AnswerInformationOptions(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("corvane-host %d.%d.%d\n", kVersionMajor, kVersionMinor, kVersionRevision);
            return 0;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (const int status = AnswerInformationOptions(argc, argv); status >= 0)
        return std::fflush(stdout) == 0 ? status : 1;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QLatin1String(kAppTitle));
    InstallMessageBoxPresenter();

    SingleInstance instance;
    if (RefuseSecondInstance(instance))
        return 0;

    frmMain window;
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
