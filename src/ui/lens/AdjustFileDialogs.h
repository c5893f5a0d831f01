#pragma once

#include <functional>
#include <optional>
#include <QString>

class QWidget;

namespace lensdock {

// Where a file dialog opens, and the file name it proposes (empty: none).
struct FileDialogStart {
    QString folder;
    QString fileName;
};

// The user's choice of an adjust-data file: nothing when the dialog was cancelled, an empty path
// when it was confirmed without a usable file.
using AdjustFileChooser =
    std::function<std::optional<QString>(QWidget* parent, const FileDialogStart& start)>;

// The open and save dialogs of adjust-data files, replaceable so that tests can supply paths.
struct AdjustFileDialogs {
    AdjustFileChooser open;
    AdjustFileChooser save;

    // File dialogs restricted to "*.vlad", opening at `start`; the save dialog adds the extension
    // itself before it asks whether to replace an existing file.
    static std::optional<QString> platformOpen(QWidget* parent, const FileDialogStart& start);
    static std::optional<QString> platformSave(QWidget* parent, const FileDialogStart& start);

    std::optional<QString> chooseOpen(QWidget* parent, const FileDialogStart& start) const {
        return open ? open(parent, start) : platformOpen(parent, start);
    }
    std::optional<QString> chooseSave(QWidget* parent, const FileDialogStart& start) const {
        return save ? save(parent, start) : platformSave(parent, start);
    }
};

} // namespace lensdock
