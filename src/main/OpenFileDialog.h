#pragma once

#include <QString>

#include <optional>

class QFileDialog;
class QWidget;

// The browse button's file-open dialog: S-record files (*.mot, *.s) first, every file as the
// second choice, starting at the file last chosen through it.
void ConfigureOpenDialog(QFileDialog& dialog, const QString& lastName);

// Shows the dialog modally; the chosen file, or nothing when the operator cancelled.
std::optional<QString> ShowOpenFileDialog(QWidget* owner, const QString& lastName);
