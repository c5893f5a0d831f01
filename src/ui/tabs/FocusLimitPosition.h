#pragma once

#include "ui/tabs/FocusedWheelSlider.h"

#include <QGroupBox>

class QLabel;
class QRadioButton;
class QSlider;

namespace lensdock {

class FocusLimitView;

// The controls of one focus limiter switch position: range or segment mode, near and far sliders on
// the lens's limiter scale (step s shown as s + 1) and the drawing of the chosen band. The sliders
// lie under the drawing so that a handle sits under the limit mark it moves; each shows its value.
class FocusLimitPosition : public QGroupBox {
    Q_OBJECT
public:
    // Mode of a position that the lens does not offer.
    static constexpr int notAvailable = 0;
    static constexpr int rangeMode = 1;
    static constexpr int segmentMode = 2;
    // What an unavailable position shows.
    static constexpr int defaultSliderDevide = 10;
    static constexpr int defaultNearValue = 0;
    static constexpr int defaultFarValue = 9;

    // `number` is 1 or 2; it names the controls ("focusLimit1Near", ...) and picks the texts.
    FocusLimitPosition(int number, QWidget* parent = nullptr);

    int number() const { return number_; }
    int mode() const { return mode_; }
    QRadioButton* radioRange() const { return radioRange_; }
    QRadioButton* radioSegment() const { return radioSegment_; }
    QSlider* sliderNear() const { return sliderNear_; }
    QSlider* sliderFar() const { return sliderFar_; }
    QLabel* valueNear() const { return valueNear_; }
    QLabel* valueFar() const { return valueFar_; }
    FocusLimitView* view() const { return view_; }
    QLabel* icon() const { return icon_; }
    QLabel* title() const { return title_; }

    // Shows the position with the lens's steps, unless it has been found unavailable before.
    void showLimits(bool available, std::int64_t mode, std::int64_t near, std::int64_t far, int divisions);
    // The mode, near and far steps to store; 0, 0, 0 while unavailable.
    void storeLimits(std::int64_t& mode, std::int64_t& near, std::int64_t& far) const;
    // The switch layout of the lens: which icon and title this position shows.
    void setSwitchLayout(int focusLimitSwitchType);

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void layOutControls(const QString& shortEnd, const QString& longEnd);
    QWidget* laneOf(FocusedWheelSlider* slider);
    void alignSlidersToScale();
    void showSliderValues();
    void showUnavailable();
    void showMode();
    void changeFocusLimitMode(int mode);
    void changeSliderValue(QSlider* sender);
    void showViewValues();
    qreal fraction(const QSlider* slider) const;

    const int number_;
    int mode_ = rangeMode;
    QRadioButton* radioRange_ = nullptr;
    QRadioButton* radioSegment_ = nullptr;
    FocusedWheelSlider* sliderNear_ = nullptr;
    FocusedWheelSlider* sliderFar_ = nullptr;
    QLabel* valueNear_ = nullptr;
    QLabel* valueFar_ = nullptr;
    FocusLimitView* view_ = nullptr;
    QLabel* icon_ = nullptr;
    QLabel* title_ = nullptr;
};

} // namespace lensdock
