#include "ui/lens/LensInfoPanel.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace lensdock {

namespace {
constexpr int pictureWidth = 220;
} // namespace

LensInfoPanel::LensInfoPanel(const Identity& identity, QWidget* parent)
    : QWidget(parent), txtLensName_(makeLabel(identity.lensName, QStringLiteral("txtLensName"))),
      txtModelName_(makeLabel(identity.lensModelName, QStringLiteral("txtModelName"))),
      txtMountName_(makeLabel(identity.lensMountName, QStringLiteral("txtMountName"))),
      txtFirmwareVersion_(makeLabel(QString(), QStringLiteral("txtFirmwareVersion"))),
      txtAdapterFirmwareVersion_(makeLabel(QString(), QStringLiteral("txtAdapterFirmwareVersion"))) {
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("imgLens"));
    picture->setAlignment(Qt::AlignCenter);
    picture->setMinimumWidth(pictureWidth);
    if (!identity.lensImage.isNull())
        picture->setPixmap(
            QPixmap::fromImage(identity.lensImage.scaledToWidth(pictureWidth, Qt::SmoothTransformation)));
    QFont nameFont = txtLensName_->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.3);
    txtLensName_->setFont(nameFont);
    txtLensName_->setAlignment(Qt::AlignCenter);
    txtLensName_->setWordWrap(true);
    auto* details = new QFormLayout;
    //% "Model"
    details->addRow(qtTrId("infoModel"), txtModelName_);
    //% "Mount"
    details->addRow(qtTrId("infoMount"), txtMountName_);
    //% "Lens firmware"
    details->addRow(qtTrId("infoFirmware"), txtFirmwareVersion_);
    //% "Dock firmware"
    details->addRow(qtTrId("infoAdapterFirmware"), txtAdapterFirmwareVersion_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture);
    layout->addWidget(txtLensName_);
    layout->addLayout(details);
}

QLabel* LensInfoPanel::makeLabel(const QString& text, const QString& name) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    return label;
}

} // namespace lensdock
