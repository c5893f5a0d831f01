// What the lens screen needs no device for: its texts in every language, where the file dialogs start,
// the name they propose, and the system's own file dialogs.
#include "TextCatalogue.h"
#include "ui/lens/AdjustFileDialogs.h"
#include "ui/lens/AdjustFileFolder.h"
#include "ui/lens/SettingsLibraryDialog.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QDate>
#include <QFileDialog>
#include <QInputDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

using namespace lensdock;

class TestLensScreenRules : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    // Every key the screen looks up has a text in each language, in its own catalogue or among the
    // shell's captions; its catalogue holds nothing else and shadows no other.
    void everyKeyHasATextInEveryLanguage() {
        const QString folder = QStringLiteral(LENSDOCK_TS_DIR "/");
        const QStringList keys = TextCatalogue::keysInSources(QStringLiteral(LENSDOCK_LENS_SOURCE_DIR));
        const QStringList lensIds = TextCatalogue::idsIn(folder + "lensdock_lens_en.ts");
        const QStringList others = TextCatalogue::idsIn(folder + "lensdock_en.ts") +
                                   TextCatalogue::idsIn(folder + "lensdock_tabs_en.ts");
        QVERIFY(keys.contains("btnCustomSet") && lensIds.size() >= 16 && others.size() > 110);
        for (const QString& id : lensIds)
            QVERIFY2(keys.contains(id) && !others.contains(id), qPrintable(id));
        for (const QString language : {"en", "ja"}) {
            QTranslator lens, shell;
            QVERIFY(lens.load("lensdock_lens_" + language, ":/i18n/lens") &&
                    shell.load("lensdock_" + language, ":/i18n"));
            for (const QString& key : keys)
                QVERIFY2(
                    !(lensIds.contains(key) ? lens : shell).translate(nullptr, qPrintable(key)).isEmpty(),
                    qPrintable(language + ": " + key));
        }
    }

    // The documents folder first, or home while it was never made (not the working directory); then
    // the folder of the last file, also in the next run, while that folder exists. The name proposed
    // is a safe file name.
    void dialogsStartWhereTheLastFileWent() {
        const QDate day(2026, 12, 8);
        QCOMPARE(AdjustFileFolder::proposedName("..A/03\\6:*?", day), "A_03_6___ 2026-12-08.vlad");
        QCOMPARE(AdjustFileFolder::proposedName(QString(), day), "2026-12-08.vlad");
        QTemporaryDir home;
        const QString documents = home.filePath("Papers");
        QVERIFY(QDir().mkpath(home.filePath("config")));
        QFile dirs(home.filePath("config/user-dirs.dirs"));
        QVERIFY(dirs.open(QIODevice::WriteOnly) &&
                dirs.write("XDG_DOCUMENTS_DIR=\"" + documents.toUtf8() + "\"\n"));
        dirs.close();
        const QByteArray configBefore = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
        const QString settings = home.filePath("lensdock.conf");
        const AdjustFileFolder folder(settings);
        QStringList starts{folder.start()};
        QVERIFY(QDir().mkpath(documents));
        starts << folder.start();
        const QString kept = home.filePath("kept");
        QVERIFY(QDir().mkpath(kept));
        folder.remember(kept + "/mine.vlad");
        starts << AdjustFileFolder(settings).start();
        QVERIFY(QDir(kept).removeRecursively());
        starts << folder.start();
        qputenv("XDG_CONFIG_HOME", configBefore);
        QCOMPARE(starts, (QStringList{QDir::homePath(), documents, kept, documents}));
    }

    // Cancelled, the system's dialogs choose nothing; accepted, the file chosen, or a new one with the
    // settings file's extension. The profile's name is asked in a dialog as wide as its title needs.
    void systemDialogsAnswerWithTheChosenFile() {
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath("mine.vlad")).open(QIODevice::WriteOnly));
        bool accept = false;
        QString nameDialog;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&accept, &nameDialog] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
                accept ? static_cast<QDialog*>(dialog)->accept() : dialog->reject();
            if (auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                const int titleWidth = dialog->fontMetrics().horizontalAdvance(dialog->windowTitle());
                nameDialog = dialog->labelText() + (dialog->width() > titleWidth + 150 ? " wide" : " narrow");
                dialog->accept();
            }
        });
        answer.start(10);
        const FileDialogStart start{dir.path(), "mine.vlad"};
        const QString none = "nothing";
        QCOMPARE(AdjustFileDialogs::platformOpen(nullptr, start).value_or(none), none);
        QCOMPARE(AdjustFileDialogs::platformSave(nullptr, start).value_or(none), none);
        accept = true;
        QCOMPARE(AdjustFileDialogs::platformOpen(nullptr, start).value_or(none), dir.filePath("mine.vlad"));
        QCOMPARE(AdjustFileDialogs::platformSave(nullptr, {dir.path(), "new"}).value_or(none),
                 dir.filePath("new.vlad"));
        const QString title(60, QChar(0x30d7)); // a long Japanese title
        QCOMPARE(SettingsLibraryDialog::platformAskName(nullptr, title, "Body B").value_or(none), "Body B");
        QVERIFY2(nameDialog.contains("camera body") && nameDialog.endsWith(" wide"), qPrintable(nameDialog));
    }
};

QTEST_MAIN(TestLensScreenRules)
#include "tst_lensscreenrules.moc"
