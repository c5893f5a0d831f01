#pragma once

#include "ui/DialogId.h"
#include "ui/lens/AdjustFileDialogs.h"

#include <functional>
#include <QString>

class QWidget;

namespace lensdock {

class AppShell;

// Opening an adjust-data file into the editor and saving the edited settings as a file, each
// repeating its dialog until it has succeeded or the user cancels. Nothing is written to the lens:
// an opened file only changes the settings being edited. GUI thread only.
class AdjustFileCommands {
public:
    using Alert = std::function<void(DialogId kind, const QString& extraText)>;

    AdjustFileCommands(AppShell& shell, AdjustFileDialogs dialogs, Alert alert);

    void openFile(QWidget* parent);
    void saveFile(QWidget* parent);

    // One round of each: true when done (opened, saved or cancelled).
    bool openOnce(QWidget* parent);
    bool saveOnce(QWidget* parent);

private:
    bool openIntoEditor(const QString& path);

    AppShell& shell_;
    const AdjustFileDialogs dialogs_;
    const Alert alert_;
};

} // namespace lensdock
