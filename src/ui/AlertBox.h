#pragma once

#include <QMessageBox>

namespace lensdock {

// A message box wide enough for a sentence per line, in any language, that stays centred on its
// parent's window (which may still be growing into a new screen when the box opens).
class AlertBox : public QMessageBox {
    Q_OBJECT
public:
    // The narrowest the text may be: Japanese, which has no spaces, otherwise wraps into a thin column.
    static constexpr int minimumTextWidth = 400;

    explicit AlertBox(QWidget* parent = nullptr);

    // Sets the informative text as plain text (a file name is never markup), wrapped at the places
    // the language allows.
    void setPlainInformativeText(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* ownerWindow() const;
    void centreOnParentWindow();
};

} // namespace lensdock
