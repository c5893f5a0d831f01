#pragma once

#include <QWidget>

class QLabel;

namespace lensdock {

// One step of the connect instructions with a mark that says whether it is done yet.
class ConnectStep : public QWidget {
    Q_OBJECT
public:
    // `name` names the text label, as the instructions' labels have always been named.
    ConnectStep(const QString& text, const QString& name, QWidget* parent = nullptr);

    bool isDone() const { return done_; }
    void setDone(bool done);

    QLabel* mark() const { return mark_; }
    QLabel* text() const { return text_; }

private:
    QLabel* mark_;
    QLabel* text_;
    bool done_ = false;
};

} // namespace lensdock
