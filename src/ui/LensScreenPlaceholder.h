#pragma once

#include "link/UsbSerialThreadTypes.h"
#include "ui/AlertBridge.h"
#include "ui/InFlightCalls.h"
#include "ui/LensScreen.h"

#include <memory>
#include <QWidget>

namespace lensdock {

class AppShell;

// Stands in for the main lens screen until it exists: shows who the lens is, keeps the connection
// thread polling the lens, goes back to the connect screen when the lens or the adapter is lost and
// ends the program when the thread has terminated. The menu commands do nothing yet.
class LensScreenPlaceholder : public QWidget, public LensScreen, public UsbSerialThreadDelegate {
    Q_OBJECT
public:
    explicit LensScreenPlaceholder(AppShell& shell, QWidget* parent = nullptr);
    ~LensScreenPlaceholder() override;

    void showTab(int) override {}
    void openLensAdjustFile() override {}
    void saveLensAdjustFile() override {}
    void restoreToFactorySettings(DialogResponse) override {}

    void usbSerialThreadDisconnected() override;
    void usbSerialThreadResult(ApplicationState state, UsbThreadErrorCode error,
                               const std::optional<CommDataFormat>& response) override;

private:
    void startIdle();

    AppShell& shell_;
    AlertBridge alerts_;
    const std::shared_ptr<InFlightCalls> calls_ = std::make_shared<InFlightCalls>();
};

} // namespace lensdock
