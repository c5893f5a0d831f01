#include "ui/lens/AdjustFileDialogs.h"

#include "adjust/AdjustDataFile.h"

#include <QFileDialog>

namespace lensdock {

namespace {
QString nameFilter() {
    //% "Lens settings"
    return qtTrId("adjustFileFilterName") + QStringLiteral(" (*.") +
           QLatin1String(AdjustDataFile::extension) + QLatin1Char(')');
}

std::optional<QString> run(QFileDialog& dialog, const FileDialogStart& start) {
    dialog.setNameFilter(nameFilter());
    dialog.setDirectory(start.folder);
    dialog.selectFile(start.fileName);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}
} // namespace

std::optional<QString> AdjustFileDialogs::platformOpen(QWidget* parent, const FileDialogStart& start) {
    //% "Open Lens Settings"
    QFileDialog dialog(parent, qtTrId("adjustFileOpenTitle"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return run(dialog, start);
}

std::optional<QString> AdjustFileDialogs::platformSave(QWidget* parent, const FileDialogStart& start) {
    //% "Save Lens Settings"
    QFileDialog dialog(parent, qtTrId("adjustFileSaveTitle"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Added before the dialog's own replace question, so that a name typed without the extension
    // cannot replace an existing settings file unasked.
    dialog.setDefaultSuffix(QLatin1String(AdjustDataFile::extension));
    return run(dialog, start);
}

} // namespace lensdock
