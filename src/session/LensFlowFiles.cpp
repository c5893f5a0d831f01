// The lens screen's file commands: settings files, profiles, and the library's files written like Apply.
#include "adjust/AdjustDataFile.h"
#include "base/Logger.h"
#include "context/AppContext.h"
#include "session/FileFailure.h"
#include "session/LensFlow.h"

namespace lensdock {

namespace {
void logMain(const QString& message) {
    Logger::trace(QStringLiteral("Main"), message);
}
} // namespace

bool LensFlow::beginFileCommand() {
    if (!startCommand())
        return false;
    ++openModals_;
    return true;
}

void LensFlow::endFileCommand() {
    --openModals_;
    followUpByDeviceLoss();
    modalEnded();
}

void LensFlow::openFile(const QString& path, std::function<void(bool)> done) {
    if (path.isEmpty() || !AdjustDataFile::hasExtension(path)) {
        logMain(path.isEmpty() ? QStringLiteral("Load URL Error") : QStringLiteral("Extension Error"));
        const QString named =
            path.isEmpty() ? QString() : FileFailure::extraText(DialogId::loadAdjustErrorFormat, path);
        ask(
            DialogId::loadAdjustErrorFormat, [done](DialogResponse) { done(false); }, named);
        return;
    }
    logMain(QStringLiteral("open file : ") + path);
    LensAdjustData edited = context_.currentAdjustData().get();
    const auto outcome = AdjustDataFile::openIntoEditor(path, context_.lensInfo().get(),
                                                        context_.defaultAdjustData().get(), edited);
    DialogId kind = DialogId::loadAdjustErrorFormat;
    switch (outcome.result) {
    case AdjustFileOpenResult::success:
        context_.currentAdjustData().set(edited);
        emit settingsReplaced();
        done(true);
        return;
    case AdjustFileOpenResult::osError:
        kind = FileFailure::ofOpen(path);
        break;
    case AdjustFileOpenResult::formatError:
        break;
    case AdjustFileOpenResult::valueError:
        kind = DialogId::loadAdjustErrorValue;
        break;
    case AdjustFileOpenResult::modelMismatch:
        kind = DialogId::loadAdjustErrorModel;
        break;
    }
    ask(
        kind, [done](DialogResponse) { done(false); },
        FileFailure::extraText(kind, path, outcome.error.value_or(QString())));
}

void LensFlow::saveProfile(const QString& name, std::function<void(bool)> done) {
    emit editsCommitRequested();
    QString error;
    if (library_.saveProfile(name, context_.currentAdjustData().get(), context_.lensInfo().get(), &error)) {
        done(true);
        return;
    }
    ask(
        DialogId::profileSaveError, [done](DialogResponse) { done(false); }, error);
}

void LensFlow::applyFromLibrary(const QString& path, BackupReason reason) {
    if (!startCommand())
        return;
    const LensInfo lens = context_.lensInfo().get();
    const LensAdjustData shownBefore = context_.currentAdjustData().get();
    LensAdjustData chosen = shownBefore;
    const auto opened =
        AdjustDataFile::openIntoEditor(path, lens, context_.defaultAdjustData().get(), chosen);
    if (opened.result != AdjustFileOpenResult::success) {
        ask(
            DialogId::loadAdjustErrorFormat, [this](DialogResponse) { followUpByDeviceLoss(); },
            FileFailure::extraText(DialogId::loadAdjustErrorFormat, path));
        return;
    }
    context_.currentAdjustData().set(chosen);
    emit settingsReplaced();
    writeReason_ = reason;
    // Declined, the window shows again what it showed before.
    ask(
        DialogId::customizeCaution,
        [this, shownBefore](DialogResponse answer) {
            if (answer == DialogResponse::no) {
                context_.currentAdjustData().set(shownBefore);
                emit settingsReplaced();
            }
            applyAnswered(answer);
        },
        changesText(chosen));
}

void LensFlow::saveFile(const QString& path, std::function<void(bool)> done) {
    if (path.isEmpty()) {
        ask(DialogId::saveAdjustErrorOs, [done](DialogResponse) { done(false); });
        return;
    }
    const QString target = AdjustDataFile::withExtension(path);
    emit editsCommitRequested();
    const LensInfo lens = context_.lensInfo().get();
    const auto outcome = AdjustDataFile::saveFile(context_.currentAdjustData().get(), target, lens.modelCode,
                                                  lens.firmwareVersion, lens);
    if (outcome.saved) {
        done(true);
        return;
    }
    const DialogId kind = FileFailure::ofSave(target);
    ask(
        kind, [done](DialogResponse) { done(false); },
        FileFailure::extraText(kind, target, outcome.error.value_or(QString())));
}

} // namespace lensdock
