#include "ui/AboutPanel.h"

#include "ui/BuiltInPictures.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lensdock {

namespace {
// Preferred first: the document as the maker ships it, then plain text.
const QStringList documentExtensions{QStringLiteral("pdf"), QStringLiteral("txt")};
} // namespace

AboutPanel::AboutPanel(AlertAsker& alerts, QStringList documentFolders, UrlOpener openUrl, QWidget* parent)
    : QDialog(parent), alerts_(alerts), documentFolders_(std::move(documentFolders)),
      openUrl_(std::move(openUrl)), txtAppVersion_(new QLabel(this)), txtDownloadHost_(new QLabel(this)),
      txtFirmware_(new QLabel(this)) {
    //% "About Lens Dock Utility"
    setWindowTitle(qtTrId("aboutTitle"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap::fromImage(BuiltInPictures::appIcon(96)));
    icon->setAlignment(Qt::AlignCenter);
    //% "Lens Dock Utility"
    auto* name = new QLabel(qtTrId("appName"), this);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    name->setFont(bold);
    name->setAlignment(Qt::AlignCenter);
    txtAppVersion_->setObjectName(QStringLiteral("txtAppVersion"));
    txtAppVersion_->setText(versionText());
    txtAppVersion_->setAlignment(Qt::AlignCenter);
    //% "Copyright the Lens Dock Utility developers"
    auto* copyright = new QLabel(qtTrId("aboutCopyright"), this);
    copyright->setAlignment(Qt::AlignCenter);
    //% "Licence Agreement"
    txtDownloadHost_->setObjectName(QStringLiteral("txtDownloadHost"));
    txtDownloadHost_->setAlignment(Qt::AlignCenter);
    txtDownloadHost_->setWordWrap(true);
    txtDownloadHost_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    txtDownloadHost_->hide();
    txtFirmware_->setObjectName(QStringLiteral("txtFirmware"));
    txtFirmware_->setAlignment(Qt::AlignCenter);
    txtFirmware_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    txtFirmware_->hide();
    auto* license = new QPushButton(qtTrId("aboutBtnLicense"), this);
    license->setObjectName(QStringLiteral("btnLicense"));
    connect(license, &QPushButton::clicked, this, &AboutPanel::openLicenseAgreement);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* widget : {static_cast<QWidget*>(icon), static_cast<QWidget*>(name),
                            static_cast<QWidget*>(txtAppVersion_), static_cast<QWidget*>(copyright),
                            static_cast<QWidget*>(txtFirmware_), static_cast<QWidget*>(txtDownloadHost_)})
        layout->addWidget(widget);
    layout->addWidget(license, 0, Qt::AlignCenter);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    close->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("btnClose"));
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(close);
    setMinimumWidth(320);
}

QStringList AboutPanel::defaultDocumentFolders() {
    const QString appDir = QCoreApplication::applicationDirPath();
    return {appDir + QStringLiteral("/share/lensdock"), appDir + QStringLiteral("/../share/lensdock")};
}

QString AboutPanel::versionString() {
    return QStringLiteral(LENSDOCK_VERSION);
}

QString AboutPanel::versionText() const {
    //% "Version "
    return qtTrId("aboutVersion") + versionString();
}

void AboutPanel::setDownloadHost(const DownloadHost& host, DownloadHostSource source) {
    txtDownloadHost_->setText(downloadHostText(host, source));
    txtDownloadHost_->show();
}

void AboutPanel::setFirmwareVersions(const QString& dock, const QString& lens) {
    QStringList lines;
    if (!dock.isEmpty())
        //% "Dock firmware %1"
        lines << qtTrId("aboutDockFirmware").arg(dock);
    if (!lens.isEmpty())
        //% "Lens firmware %1"
        lines << qtTrId("aboutLensFirmware").arg(lens);
    txtFirmware_->setText(lines.join(QLatin1Char('\n')));
    txtFirmware_->setVisible(!lines.isEmpty());
}

QString AboutPanel::downloadHostText(const DownloadHost& host, DownloadHostSource source) {
    QString origin;
    switch (source) {
    case DownloadHostSource::commandLine:
        //% "set with --download-url"
        origin = qtTrId("aboutDownloadHostCommandLine");
        break;
    case DownloadHostSource::settingsFile:
        //% "set in the settings file %1"
        origin = qtTrId("aboutDownloadHostSettings").arg(DownloadHostSetting::settingsFilePath());
        break;
    case DownloadHostSource::environment:
        //% "set by the environment variable %1"
        origin = qtTrId("aboutDownloadHostEnvironment").arg(DownloadHostSetting::environmentVariable);
        break;
    case DownloadHostSource::builtIn:
        //% "built-in default"
        origin = qtTrId("aboutDownloadHostBuiltIn");
        break;
    case DownloadHostSource::demo:
        //% "the demo's own stand-in on this computer"
        origin = qtTrId("aboutDownloadHostDemo");
        break;
    }
    //% "Download host: %1 (%2)"
    return qtTrId("aboutDownloadHost").arg(host.toString(), origin);
}

QString AboutPanel::licenseDocumentPath() const {
    //% "license"
    const QString baseName = qtTrId("licenseFileName");
    for (const QString& folder : documentFolders_) {
        for (const QString& extension : documentExtensions) {
            const QFileInfo file(QDir(folder).filePath(baseName + QLatin1Char('.') + extension));
            if (file.isFile() && file.isReadable())
                return file.absoluteFilePath();
        }
    }
    return {};
}

void AboutPanel::openLicenseAgreement() {
    const QString path = licenseDocumentPath();
    const QUrl url = QUrl::fromLocalFile(path);
    const bool opened = !path.isEmpty() && (openUrl_ ? openUrl_(url) : QDesktopServices::openUrl(url));
    if (!opened)
        alerts_.tell(DialogId::openLicenseError, path);
}

} // namespace lensdock
