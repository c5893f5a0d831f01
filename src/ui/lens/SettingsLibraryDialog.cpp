#include "ui/lens/SettingsLibraryDialog.h"

#include "adjust/AdjustDataFile.h"
#include "session/FileFailure.h"
#include "session/LensFlow.h"

#include <algorithm>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

namespace lensdock {

namespace {
QString reasonText(const QString& reason) {
    if (reason == QStringLiteral("apply"))
        //% "Before Apply"
        return qtTrId("libraryReasonApply");
    if (reason == QStringLiteral("factory"))
        //% "Before factory restore"
        return qtTrId("libraryReasonFactory");
    if (reason == QStringLiteral("profile"))
        //% "Before writing a profile"
        return qtTrId("libraryReasonProfile");
    if (reason == QStringLiteral("restore"))
        //% "Before putting back a backup"
        return qtTrId("libraryReasonRestore");
    if (reason == QStringLiteral("firmware-update"))
        //% "Before a firmware update"
        return qtTrId("libraryReasonFirmwareUpdate");
    return reason;
}
} // namespace

SettingsLibraryDialog::SettingsLibraryDialog(LensFlow& flow, const LensInfo& lens, AdjustFileDialogs files,
                                             AdjustFileFolder folder, ProfileNameChooser askName,
                                             QWidget* parent)
    : QDialog(parent), flow_(flow), lens_(lens), files_(std::move(files)), folder_(std::move(folder)),
      askName_(askName ? std::move(askName) : &SettingsLibraryDialog::platformAskName) {
    //% "Profiles and Backups"
    setWindowTitle(QStringLiteral("%1 — %2 %3").arg(qtTrId("libraryTitle"), lens.modelCode, lens.serialCode));
    table_ = new QTableWidget(0, 3, this);
    //% "Date"
    const QString date = qtTrId("libraryColumnDate");
    //% "Kind"
    const QString kind = qtTrId("libraryColumnKind");
    //% "Name"
    const QString name = qtTrId("libraryColumnName");
    table_->setHorizontalHeaderLabels({date, kind, name});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The name fills what the date and the kind leave, after every reload too.
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    table_->verticalHeader()->hide();
    //% "Write to Lens…"
    apply_ = new QPushButton(qtTrId("libraryApply"), this);
    //% "Rename…"
    rename_ = new QPushButton(qtTrId("libraryRename"), this);
    //% "Delete"
    delete_ = new QPushButton(qtTrId("libraryDelete"), this);
    //% "Export…"
    export_ = new QPushButton(qtTrId("libraryExport"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    for (QPushButton* button : {apply_, rename_, delete_, export_})
        buttons->addButton(button, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(apply_, &QPushButton::clicked, this, &SettingsLibraryDialog::applySelected);
    connect(rename_, &QPushButton::clicked, this, &SettingsLibraryDialog::renameSelected);
    connect(delete_, &QPushButton::clicked, this, &SettingsLibraryDialog::deleteSelected);
    connect(export_, &QPushButton::clicked, this, &SettingsLibraryDialog::exportSelected);
    connect(table_, &QTableWidget::itemSelectionChanged, this, &SettingsLibraryDialog::updateButtons);
    // A write made from here leaves a backup: the list follows.
    connect(&flow_, &LensFlow::writeFinished, this, &SettingsLibraryDialog::reload);
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("libraryNote"));
    note_->setWordWrap(true);
    note_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note_);
    layout->addWidget(table_);
    layout->addWidget(buttons);
    resize(560, 380);
    reload();
}

std::optional<QString> SettingsLibraryDialog::platformAskName(QWidget* parent, const QString& title,
                                                              const QString& current) {
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    //% "Name of the profile, for example the camera body these settings suit:"
    dialog.setLabelText(qtTrId("libraryNameLabel"));
    dialog.setTextValue(current);
    // Room for the whole title beside the frame's buttons, and for a long name (the dialog's layout
    // overrides a minimum width, not a size it was given).
    dialog.ensurePolished();
    const int wide = std::max(440, dialog.fontMetrics().horizontalAdvance(title) + 200);
    dialog.resize(wide, dialog.sizeHint().height());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

void SettingsLibraryDialog::showNote(const QString& text) {
    note_->setText(text);
    note_->show();
}

void SettingsLibraryDialog::reload() {
    rows_.clear();
    const SettingsLibrary& library = flow_.library();
    for (const auto& entry : library.profiles(lens_))
        rows_ << Row{entry, true};
    for (const auto& entry : library.backups(lens_))
        rows_ << Row{entry, false};
    // One order for both kinds: the newest first.
    std::stable_sort(rows_.begin(), rows_.end(),
                     [](const Row& a, const Row& b) { return a.entry.time > b.entry.time; });
    table_->setRowCount(int(rows_.size()));
    for (int i = 0; i < rows_.size(); ++i) {
        const Row& row = rows_.at(i);
        //% "Profile"
        const QString profile = qtTrId("libraryKindProfile");
        //% "Backup"
        const QString backup = qtTrId("libraryKindBackup");
        const QString kind = row.profile ? profile : backup;
        const QString name = row.profile ? row.entry.name : reasonText(row.entry.name);
        table_->setItem(i, 0, new QTableWidgetItem(SettingsLibrary::timeText(row.entry.time)));
        table_->setItem(i, 1, new QTableWidgetItem(kind));
        table_->setItem(i, 2, new QTableWidgetItem(name));
    }
    updateButtons();
}

std::optional<SettingsLibraryDialog::Row> SettingsLibraryDialog::selected() const {
    const auto rows = table_->selectionModel()->selectedRows();
    if (rows.isEmpty() || rows.first().row() >= rows_.size())
        return std::nullopt;
    return rows_.at(rows.first().row());
}

void SettingsLibraryDialog::updateButtons() {
    const auto row = selected();
    apply_->setEnabled(row.has_value());
    export_->setEnabled(row.has_value());
    rename_->setEnabled(row && row->profile);
    delete_->setEnabled(row && row->profile);
}

void SettingsLibraryDialog::applySelected() {
    if (const auto row = selected())
        flow_.applyFromLibrary(row->entry.path, row->profile ? BackupReason::profile : BackupReason::restore);
}

void SettingsLibraryDialog::renameSelected() {
    const auto row = selected();
    if (!row || !row->profile)
        return;
    //% "Rename Profile"
    const auto name = askName_(this, qtTrId("libraryRenameTitle"), row->entry.name);
    QString error;
    if (name && !flow_.library().renameProfile(lens_, row->entry.name, *name, &error))
        report(DialogId::profileSaveError, error);
    reload();
}

void SettingsLibraryDialog::deleteSelected() {
    const auto row = selected();
    QString error;
    if (row && row->profile && !flow_.library().deleteProfile(lens_, row->entry.name, &error))
        report(DialogId::profileSaveError, error);
    reload();
}

// A copy under a name the user chooses, for another computer or a colleague.
void SettingsLibraryDialog::exportSelected() {
    if (const auto row = selected())
        chooseExportTarget(*row);
}

void SettingsLibraryDialog::chooseExportTarget(const Row& row) {
    const auto target = files_.chooseSave(this, {folder_.start(), proposedExportName(row)});
    if (!target || target->isEmpty())
        return;
    folder_.remember(*target);
    const QString path = AdjustDataFile::withExtension(*target);
    QFile source(row.entry.path);
    QSaveFile copy(path);
    const bool copied = source.open(QIODevice::ReadOnly) && source.size() <= AdjustDataFile::maxFileSize &&
                        copy.open(QIODevice::WriteOnly) && copy.write(source.readAll()) == source.size() &&
                        copy.commit();
    if (copied)
        return;
    if (copy.error() == QFileDevice::NoError) { // the library's own copy could not be read
        report(DialogId::saveAdjustErrorOs,
               FileFailure::extraText(DialogId::saveAdjustErrorOs, row.entry.path, source.errorString()));
        return;
    }
    const DialogId kind = FileFailure::ofSave(path);
    report(kind, FileFailure::extraText(kind, path, copy.errorString()),
           [this, row] { chooseExportTarget(row); });
}

QString SettingsLibraryDialog::proposedExportName(const Row& row) const {
    const QString own = QFileInfo(row.entry.path).fileName();
    return row.profile ? own : lens_.modelCode + QLatin1Char(' ') + own;
}

// The alert sits on the main window: once answered, this window comes back to the front.
void SettingsLibraryDialog::report(DialogId kind, const QString& text, std::function<void()> then) {
    flow_.reportLibraryError(kind, text,
                             [self = QPointer<SettingsLibraryDialog>(this), then = std::move(then)] {
                                 if (!self)
                                     return;
                                 self->raise();
                                 self->activateWindow();
                                 if (then)
                                     then();
                             });
}

} // namespace lensdock
