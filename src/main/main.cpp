#include "main/MessageBoxPresenter.h"
#include "main/SingleInstance.h"
#include "main/frmMain.h"
#include "shared/Version.h"

#include <QApplication>

int main(int argc, char** argv)
{
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
