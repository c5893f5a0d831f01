#pragma once

#include <functional>
#include <optional>
#include <QString>

class QWidget;

namespace lensdock {

// The user's choice of an adjust-data file: nothing when the dialog was cancelled, an empty path
// when it was confirmed without a usable file.
using AdjustFileChooser = std::function<std::optional<QString>(QWidget* parent)>;

// The open and save dialogs of adjust-data files, replaceable so that tests can supply paths.
struct AdjustFileDialogs {
    AdjustFileChooser open;
    AdjustFileChooser save;

    // File dialogs restricted to "*.vlad"; the save dialog proposes no name and adds the extension
    // itself before it asks whether to replace an existing file.
    static std::optional<QString> platformOpen(QWidget* parent);
    static std::optional<QString> platformSave(QWidget* parent);

    std::optional<QString> chooseOpen(QWidget* parent) const {
        return open ? open(parent) : platformOpen(parent);
    }
    std::optional<QString> chooseSave(QWidget* parent) const {
        return save ? save(parent) : platformSave(parent);
    }
};

} // namespace lensdock
