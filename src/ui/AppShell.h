#pragma once

#include "ui/AlertAsker.h"
#include "ui/LensPictures.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QUrl>

namespace lensdock {

class AppContext;

// The localised texts of the menus, read once at start.
struct MenuTexts {
    QString fileItem, open, saveAs, saveProfile, library, factory, apply, quit;
    QString viewItem, focusAdjustment, focusLimit, custom, nextTab, previousTab;
    QString helpItem, helpAbout, helpDownloadSite, helpManual, helpUserInformation;

    static MenuTexts load();
};

// The application's delegate: the observable flags the screens set and the menus follow, the Help
// actions and the way the program ends. Lives on the GUI thread; endProcess() may be called from
// any thread.
class AppShell : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool connected READ connected WRITE setConnected NOTIFY connectedChanged)
    Q_PROPERTY(bool write READ write WRITE setWrite NOTIFY writeChanged)
    Q_PROPERTY(bool control READ control WRITE setControl NOTIFY controlChanged)
public:
    using UrlOpener = std::function<bool(const QUrl&)>;
    using EndAction = std::function<void(int exitCode)>;

    struct Options {
        // Opens web pages and documents; the desktop's default handler when empty.
        UrlOpener openUrl;
        // Ends the process; QCoreApplication::exit when empty. Tests observe it instead.
        EndAction endProcess;
        // Presents alerts; real message boxes when empty.
        AlertAsker::Presenter alertPresenter;
        // Folders searched for the licence document; the installed ones when empty.
        QStringList documentFolders;
        // When the connection thread does not report the end of termination within this time,
        // the program ends anyway.
        std::chrono::milliseconds terminationBound{std::chrono::seconds(30)};
    };

    AppShell(AppContext& context, Options options, QObject* parent = nullptr);

    AppContext& context() { return context_; }
    LensPictures& pictures() { return pictures_; }
    AlertAsker& alerts() { return alerts_; }
    const Options& options() const { return options_; }
    const MenuTexts& menuTexts() const { return menuTexts_; }
    QString downloadUrlText() const { return downloadUrlText_; }
    QString manualUrlText() const { return manualUrlText_; }

    bool connected() const { return connected_; }
    void setConnected(bool value);
    bool write() const { return write_; }
    void setWrite(bool value);
    bool control() const { return control_; }
    void setControl(bool value);
    // Raises a flag and lowers it again at once, so that observers act once.
    void raiseWrite();
    void raiseControl();

    // True once the user has asked to quit: nothing new is opened any more.
    bool isQuitting() const { return quitting_; }
    // Ends the process with `exitCode`, once; callable from any thread.
    void endProcess(int exitCode);
    bool hasEnded() const { return ended_; }

public slots:
    void openHelpFile();
    void openDownloadURL();
    // Runs the About panel modally unless another modal window is open.
    void aboutApplication();
    void openUserInformation();
    // Closes every window; closing the main window starts the termination.
    void quit();
    // Asks the connection thread to end (release the lens, close the port); see terminationBound.
    void requestTermination();

signals:
    void connectedChanged(bool connected);
    void writeChanged(bool write);
    void controlChanged(bool control);

private:
    bool openUrl(const QUrl& url) const;

    AppContext& context_;
    Options options_;
    MenuTexts menuTexts_;
    QString downloadUrlText_;
    QString manualUrlText_;
    LensPictures pictures_;
    AlertAsker alerts_;
    bool connected_ = false;
    bool write_ = false;
    bool control_ = false;
    bool quitting_ = false;
    std::atomic<bool> ended_{false};
    QTimer terminationTimer_;
};

} // namespace lensdock
