#include "ui/lens/AdjustFileCommands.h"

#include "adjust/AdjustDataFile.h"
#include "context/AppContext.h"
#include "link/Logger.h"
#include "ui/AppShell.h"

namespace lensdock {

namespace {
void logMain(const QString& message) {
    Logger::trace(QStringLiteral("Main"), message);
}
} // namespace

AdjustFileCommands::AdjustFileCommands(AppShell& shell, AdjustFileDialogs dialogs, Alert alert)
    : shell_(shell), dialogs_(std::move(dialogs)), alert_(std::move(alert)) {}

void AdjustFileCommands::openFile(QWidget* parent) {
    while (!openOnce(parent)) {
    }
}

void AdjustFileCommands::saveFile(QWidget* parent) {
    while (!saveOnce(parent)) {
    }
}

bool AdjustFileCommands::openOnce(QWidget* parent) {
    const std::optional<QString> choice = dialogs_.chooseOpen(parent);
    if (!choice)
        return true;
    if (choice->isEmpty()) {
        logMain(QStringLiteral("Load URL Error"));
        alert_(DialogId::loadAdjustErrorFormat, QString());
        return false;
    }
    if (!AdjustDataFile::hasExtension(*choice)) {
        logMain(QStringLiteral("Extension Error"));
        alert_(DialogId::loadAdjustErrorFormat, QString());
        return false;
    }
    logMain(QStringLiteral("open file : ") + *choice);
    return openIntoEditor(*choice);
}

// Opens `path` into the editor; on failure shows why and leaves the edited settings alone.
bool AdjustFileCommands::openIntoEditor(const QString& path) {
    AppContext& context = shell_.context();
    LensAdjustData edited = context.currentAdjustData().get();
    const auto outcome = AdjustDataFile::openIntoEditor(path, context.lensInfo().get(),
                                                        context.defaultAdjustData().get(), edited);
    switch (outcome.result) {
    case AdjustFileOpenResult::success:
        context.currentAdjustData().set(edited);
        shell_.raiseControl();
        return true;
    case AdjustFileOpenResult::osError:
        alert_(DialogId::loadAdjustErrorOs, outcome.error.value_or(QString()));
        break;
    case AdjustFileOpenResult::formatError:
        alert_(DialogId::loadAdjustErrorFormat, QString());
        break;
    case AdjustFileOpenResult::valueError:
        alert_(DialogId::loadAdjustErrorValue, QString());
        break;
    case AdjustFileOpenResult::modelMismatch:
        alert_(DialogId::loadAdjustErrorModel, QString());
        break;
    }
    return false;
}

bool AdjustFileCommands::saveOnce(QWidget* parent) {
    const std::optional<QString> choice = dialogs_.chooseSave(parent);
    if (!choice)
        return true;
    if (choice->isEmpty()) {
        alert_(DialogId::saveAdjustErrorOs, QString());
        return false;
    }
    const QString path = AdjustDataFile::withExtension(*choice);
    shell_.raiseWrite();
    AppContext& context = shell_.context();
    const LensInfo lens = context.lensInfo().get();
    const auto outcome = AdjustDataFile::saveFile(context.currentAdjustData().get(), path, lens.modelCode,
                                                  lens.firmwareVersion, lens);
    if (outcome.saved)
        return true;
    alert_(DialogId::saveAdjustErrorOs, outcome.error.value_or(QString()));
    return false;
}

} // namespace lensdock
