#include "main/OpenFileDialog.h"

#include <QFileDialog>

namespace {

// Each filter is shown by the name before its last parenthesis (details hidden); the patterns
// inside that parenthesis are what the dialog matches. The shown names are the ones operators
// know; "*.*" would miss names without a dot on this system, so "ALL" matches "*".
const QStringList kNameFilters{QStringLiteral("S-format(*.mot;*.s) (*.mot *.s)"),
                               QStringLiteral("ALL(*.*) (*)")};

} // namespace

void ConfigureOpenDialog(QFileDialog& dialog, const QString& lastName)
{
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // The program's own dialog, so the filter names read exactly as above on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(kNameFilters);
    dialog.selectNameFilter(kNameFilters.front());
    if (!lastName.isEmpty())
        dialog.selectFile(lastName);
}

std::optional<QString> ShowOpenFileDialog(QWidget* owner, const QString& lastName)
{
    QFileDialog dialog(owner);
    ConfigureOpenDialog(dialog, lastName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}
