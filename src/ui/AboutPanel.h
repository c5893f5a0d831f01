#pragma once

#include "online/DownloadHostSetting.h"
#include "ui/AlertAsker.h"

#include <functional>
#include <QDialog>
#include <QStringList>
#include <QUrl>

class QLabel;

namespace lensdock {

// The About panel: program name, version from the build, copyright and the licence agreement.
class AboutPanel : public QDialog {
    Q_OBJECT
public:
    using UrlOpener = std::function<bool(const QUrl&)>;

    // `documentFolders` are searched in order for the licence document; `openUrl` opens it (the
    // desktop's default handler when empty); alerts go through `alerts`.
    AboutPanel(AlertAsker& alerts, QStringList documentFolders, UrlOpener openUrl = UrlOpener(),
               QWidget* parent = nullptr);

    // Folders where an installed or freshly built program keeps its documents.
    static QStringList defaultDocumentFolders();
    static QString versionString();

    QString versionText() const;
    // Shows the download host in use and where it was set.
    void setDownloadHost(const DownloadHost& host, DownloadHostSource source);
    // The full firmware versions of the dock and the lens, those known (empty: not known).
    void setFirmwareVersions(const QString& dock, const QString& lens);
    static QString downloadHostText(const DownloadHost& host, DownloadHostSource source);
    // The licence document, or an empty text when there is none.
    QString licenseDocumentPath() const;

public slots:
    void openLicenseAgreement();

private:
    AlertAsker& alerts_;
    QStringList documentFolders_;
    UrlOpener openUrl_;
    QLabel* txtAppVersion_;
    QLabel* txtDownloadHost_;
    QLabel* txtFirmware_;
};

} // namespace lensdock
