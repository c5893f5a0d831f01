#pragma once

#include <functional>
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

// Answers modal message boxes as they appear: a timer looks for the active modal widget, records the
// box's texts and presses the button chosen by `choose` (given the box, it returns the button's
// object name, which is the text id of the button).
class ModalAnswerer : public QObject {
public:
    struct Seen {
        QString title;
        QString informativeText;
        QMessageBox::Icon icon;
        QStringList buttonIds;
    };
    using Chooser = std::function<QString(const Seen&)>;

    explicit ModalAnswerer(Chooser choose) : choose_(std::move(choose)) {
        connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::poll);
        timer_.start(5);
    }

    // Confirms every box with its last button (OK / Yes).
    static QString confirm(const Seen& seen) { return seen.buttonIds.last(); }

    const QList<Seen>& seen() const { return seen_; }
    QStringList titles() const {
        QStringList result;
        for (const Seen& box : seen_)
            result << box.title;
        return result;
    }

private:
    void poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box == last_)
            return;
        last_ = box;
        Seen seen{box->text(), box->informativeText(), box->icon(), {}};
        // The buttons in the order they were added, as the alert records them.
        seen.buttonIds = box->property("buttonIds").toStringList();
        seen_ << seen;
        const QString choice = choose_(seen);
        for (QAbstractButton* button : box->buttons()) {
            if (button->objectName() == choice) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
    }

    Chooser choose_;
    QTimer timer_;
    QList<Seen> seen_;
    QPointer<QMessageBox> last_;
};
