#pragma once

#include "session/DialogId.h"
#include "session/SettingsLibrary.h"
#include "ui/lens/AdjustFileDialogs.h"
#include "ui/lens/AdjustFileFolder.h"

#include <functional>
#include <optional>
#include <QDialog>

class QPushButton;
class QLabel;
class QTableWidget;

namespace lensdock {

class LensFlow;

// Asks for a profile's name: nothing when cancelled. Replaceable so that tests can answer.
using ProfileNameChooser =
    std::function<std::optional<QString>(QWidget* parent, const QString& title, const QString& current)>;

// The connected lens's profiles and backups, newest backup first: write one to the lens (through the
// lens screen's flow, with its caution and read-back), rename or delete a profile, export a copy.
// Not modal: the lens screen stays usable behind it, and it follows every change at once.
class SettingsLibraryDialog : public QDialog {
    Q_OBJECT
public:
    SettingsLibraryDialog(LensFlow& flow, const LensInfo& lens, AdjustFileDialogs files,
                          AdjustFileFolder folder, ProfileNameChooser askName, QWidget* parent = nullptr);

    void reload();
    // A line above the list, e.g. that the list does not outlive the program.
    void showNote(const QString& text);
    QLabel* note() const { return note_; }
    QTableWidget* table() const { return table_; }
    QPushButton* applyButton() const { return apply_; }
    QPushButton* renameButton() const { return rename_; }
    QPushButton* deleteButton() const { return delete_; }
    QPushButton* exportButton() const { return export_; }

    static std::optional<QString> platformAskName(QWidget* parent, const QString& title,
                                                  const QString& current);

private:
    struct Row {
        SettingsLibrary::Entry entry;
        bool profile = false;
    };
    std::optional<Row> selected() const;
    void updateButtons();
    void applySelected();
    void renameSelected();
    void deleteSelected();
    void exportSelected();
    // The save dialog comes back after a failed copy, as with Save As, until a copy is made or cancelled.
    void chooseExportTarget(const Row& row);
    // The library's own file name: safe whatever the profile's name holds.
    QString proposedExportName(const Row& row) const;
    void report(DialogId kind, const QString& text, std::function<void()> then = {});

    LensFlow& flow_;
    const LensInfo lens_;
    AdjustFileDialogs files_;
    const AdjustFileFolder folder_;
    ProfileNameChooser askName_;
    QList<Row> rows_;
    QTableWidget* table_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* rename_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* export_ = nullptr;
};

} // namespace lensdock
