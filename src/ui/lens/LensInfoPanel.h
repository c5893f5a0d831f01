#pragma once

#include <QImage>
#include <QWidget>

class QLabel;

namespace lensdock {

// Who the connected lens is: its picture, display name, model code, the adapter's mount, the lens
// firmware version and the dock's. Everything but the versions is fixed when the panel is built.
class LensInfoPanel : public QWidget {
    Q_OBJECT
public:
    struct Identity {
        QImage lensImage;
        QString lensName;
        QString lensModelName;
        QString lensMountName;
    };

    explicit LensInfoPanel(const Identity& identity, QWidget* parent = nullptr);

    QLabel* txtFirmwareVersion() const { return txtFirmwareVersion_; }
    QLabel* txtAdapterFirmwareVersion() const { return txtAdapterFirmwareVersion_; }
    QLabel* txtLensName() const { return txtLensName_; }
    QLabel* txtModelName() const { return txtModelName_; }
    QLabel* txtMountName() const { return txtMountName_; }

private:
    QLabel* makeLabel(const QString& text, const QString& name);

    QLabel* txtLensName_;
    QLabel* txtModelName_;
    QLabel* txtMountName_;
    QLabel* txtFirmwareVersion_;
    QLabel* txtAdapterFirmwareVersion_;
};

} // namespace lensdock
