// What the lens screen needs no device for: its texts in every language, where the file dialogs start,
// the name they propose, and the system's own file dialogs.
#include "TextCatalogue.h"
#include "ui/lens/AdjustFileDialogs.h"
#include "ui/lens/AdjustFileFolder.h"

#include <QApplication>
#include <QDate>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

using namespace lensdock;

class TestLensScreenRules : public QObject {
    Q_OBJECT
private slots:
    // Every key the screen looks up has a text, in its own catalogue or among the shell's captions it
    // shares; its catalogue holds nothing else and shadows no other.
    void everyKeyHasATextInEveryLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "en";
        QTest::newRow("Japanese") << "ja";
    }
    void everyKeyHasATextInEveryLanguage() {
        QFETCH(QString, language);
        const QStringList keys = TextCatalogue::keysInSources(QStringLiteral(LENSDOCK_LENS_SOURCE_DIR));
        QVERIFY(keys.contains("btnCustomSet") && keys.contains("tabMiscellaneous"));
        const auto idsIn = [&language](const QString& catalogue) {
            return TextCatalogue::idsIn(QStringLiteral(LENSDOCK_TS_DIR "/") + catalogue + language + ".ts");
        };
        const QStringList lensIds = idsIn(QStringLiteral("lensdock_lens_"));
        const QStringList shellIds = idsIn(QStringLiteral("lensdock_"));
        const QStringList others = shellIds + idsIn(QStringLiteral("lensdock_tabs_"));
        QVERIFY(lensIds.size() >= 16 && others.size() > 110);
        QTranslator lens;
        QTranslator shell;
        QVERIFY(lens.load("lensdock_lens_" + language, ":/i18n/lens") &&
                shell.load("lensdock_" + language, ":/i18n"));
        for (const QString& key : keys) {
            const bool own = lensIds.contains(key);
            QVERIFY2((own || shellIds.contains(key)) &&
                         !(own ? lens : shell).translate(nullptr, qPrintable(key)).isEmpty(),
                     qPrintable(language + ": " + key));
        }
        for (const QString& id : lensIds)
            QVERIFY2(keys.contains(id) && !others.contains(id), qPrintable(language + ": " + id));
    }

    void proposedNamesAreSafeFileNames() {
        const QDate day(2026, 12, 8);
        QCOMPARE(AdjustFileFolder::proposedName(QStringLiteral("A036"), day),
                 QStringLiteral("A036 2026-12-08.vlad"));
        QCOMPARE(AdjustFileFolder::proposedName(QStringLiteral("..A/03\\6:*?"), day),
                 QStringLiteral("A_03_6___ 2026-12-08.vlad"));
        QCOMPARE(AdjustFileFolder::proposedName(QString(), day), QStringLiteral("2026-12-08.vlad"));
    }

    // The documents folder first, or home while it was never made (not the working directory); then
    // the folder of the last file, also in the next run, while that folder exists.
    void dialogsStartWhereTheLastFileWent() {
        QTemporaryDir home;
        const QString documents = home.filePath(QStringLiteral("Papers"));
        QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("config"))));
        QFile dirs(home.filePath(QStringLiteral("config/user-dirs.dirs")));
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_DOCUMENTS_DIR=\"" + documents.toUtf8() + "\"\n");
        dirs.close();
        const QByteArray configBefore = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
        const QString settings = home.filePath(QStringLiteral("lensdock.conf"));
        const AdjustFileFolder folder(settings);
        QStringList starts{folder.start()};
        QVERIFY(QDir().mkpath(documents));
        starts << folder.start();
        const QString kept = home.filePath(QStringLiteral("kept"));
        QVERIFY(QDir().mkpath(kept));
        folder.remember(kept + QStringLiteral("/mine.vlad"));
        starts << AdjustFileFolder(settings).start();
        QVERIFY(QDir(kept).removeRecursively());
        starts << folder.start();
        qputenv("XDG_CONFIG_HOME", configBefore);
        QCOMPARE(starts, (QStringList{QDir::homePath(), documents, kept, documents}));
    }

    // Cancelled, the system's dialogs choose nothing; accepted, the file chosen, or a new one with the
    // settings file's extension.
    void systemDialogsAnswerWithTheChosenFile() {
        QTemporaryDir dir;
        QFile existing(dir.filePath(QStringLiteral("mine.vlad")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        bool accept = false;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&accept] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
                accept ? static_cast<QDialog*>(dialog)->accept() : dialog->reject();
        });
        answer.start(10);
        const FileDialogStart start{dir.path(), QStringLiteral("mine.vlad")};
        const QString none = QStringLiteral("nothing");
        QCOMPARE(AdjustFileDialogs::platformOpen(nullptr, start).value_or(none), none);
        QCOMPARE(AdjustFileDialogs::platformSave(nullptr, start).value_or(none), none);
        accept = true;
        QCOMPARE(AdjustFileDialogs::platformOpen(nullptr, start).value_or(none), existing.fileName());
        QCOMPARE(AdjustFileDialogs::platformSave(nullptr, {dir.path(), QStringLiteral("new")}).value_or(none),
                 dir.filePath(QStringLiteral("new.vlad")));
    }
};

QTEST_MAIN(TestLensScreenRules)
#include "tst_lensscreenrules.moc"
