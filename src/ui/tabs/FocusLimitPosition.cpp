#include "ui/tabs/FocusLimitPosition.h"

#include "ui/tabs/FocusLimitSwitchIcon.h"
#include "ui/tabs/FocusLimitView.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>

namespace lensdock {

namespace {
struct PositionTexts {
    QString heading, range, segment, shortEnd, longEnd, titleType0, titleType1;
};

PositionTexts textsOf(int number) {
    if (number == 1) {
        return {
            //% "Limiter 1"
            qtTrId("focusLimit1"),
            //% "Range"
            qtTrId("focusLimit1Range"),
            //% "Segment"
            qtTrId("focusLimit1Segment"),
            //% "Near"
            qtTrId("focusLimit1Short"),
            //% "Far"
            qtTrId("focusLimit1Long"),
            //% "Switch at the bottom"
            qtTrId("focusLimitSwPos1TitleType0"),
            //% "Switch in the middle"
            qtTrId("focusLimitSwPos1TitleType1"),
        };
    }
    return {
        //% "Limiter 2"
        qtTrId("focusLimit2"),
        //% "Range"
        qtTrId("focusLimit2Range"),
        //% "Segment"
        qtTrId("focusLimit2Segment"),
        //% "Near"
        qtTrId("focusLimit2Short"),
        //% "Far"
        qtTrId("focusLimit2Long"),
        //% "Switch in the middle"
        qtTrId("focusLimitSwPos2TitleType0"),
        //% "Switch at the bottom"
        qtTrId("focusLimitSwPos2TitleType1"),
    };
}

FocusedWheelSlider* newSlider(const QString& name, QWidget* parent) {
    auto* slider = new FocusedWheelSlider(parent);
    slider->setObjectName(name);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    slider->setPageStep(1);
    // As the focus adjustment sliders: the wheel scrolls the page until the slider is clicked.
    slider->setFocusPolicy(Qt::ClickFocus);
    return slider;
}

QLabel* newValueLabel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    // Room for the widest step number, so that the row does not shift while the value changes.
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("000")));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

void explainModes(QRadioButton* range, QRadioButton* segment) {
    //% "Range: the lens focuses only between the near and the far limit. "
    //% "The shaded parts of the scale are left out."
    range->setToolTip(qtTrId("focusLimitRangeToolTip"));
    //% "Segment: the near and the far limit mark a segment of the focus scale; "
    //% "nothing outside it is shaded."
    segment->setToolTip(qtTrId("focusLimitSegmentToolTip"));
}
} // namespace

FocusLimitPosition::FocusLimitPosition(int number, QWidget* parent)
    : QGroupBox(textsOf(number).heading, parent), number_(number) {
    buildControls();
}

void FocusLimitPosition::buildControls() {
    const PositionTexts texts = textsOf(number_);
    const QString prefix = QStringLiteral("focusLimit%1").arg(number_);
    radioRange_ = new QRadioButton(texts.range, this);
    radioRange_->setObjectName(prefix + QStringLiteral("Range"));
    radioSegment_ = new QRadioButton(texts.segment, this);
    radioSegment_->setObjectName(prefix + QStringLiteral("Segment"));
    explainModes(radioRange_, radioSegment_);
    auto* modes = new QButtonGroup(this);
    modes->addButton(radioRange_);
    modes->addButton(radioSegment_);
    sliderNear_ = newSlider(prefix + QStringLiteral("Near"), this);
    sliderFar_ = newSlider(prefix + QStringLiteral("Far"), this);
    valueNear_ = newValueLabel(prefix + QStringLiteral("NearValue"), this);
    valueFar_ = newValueLabel(prefix + QStringLiteral("FarValue"), this);
    view_ = new FocusLimitView(this);
    view_->setFixedWidth(int(view_->imageWidth));
    icon_ = new QLabel(this);
    title_ = new QLabel(this);
    layOutControls(texts.shortEnd, texts.longEnd);
    alignSlidersToScale();

    connect(radioRange_, &QRadioButton::clicked, this, [this] { changeFocusLimitMode(rangeMode); });
    connect(radioSegment_, &QRadioButton::clicked, this, [this] { changeFocusLimitMode(segmentMode); });
    connect(sliderNear_, &QSlider::valueChanged, this, [this] { changeSliderValue(sliderNear_); });
    connect(sliderFar_, &QSlider::valueChanged, this, [this] { changeSliderValue(sliderFar_); });
    showUnavailable();
    mode_ = rangeMode;
}

// The drawing and the two slider lanes share one column of the drawing's width, so that the x of a
// point of the scale is the same in all three.
void FocusLimitPosition::layOutControls(const QString& shortEnd, const QString& longEnd) {
    auto* modes = new QHBoxLayout;
    modes->addWidget(radioRange_);
    modes->addWidget(radioSegment_);
    modes->addStretch(1);
    auto* layout = new QGridLayout(this);
    layout->addWidget(icon_, 0, 0, 2, 1);
    layout->addWidget(title_, 0, 1, 1, 2);
    layout->addLayout(modes, 1, 1, 1, 2);
    layout->addWidget(view_, 2, 1, Qt::AlignLeft);
    layout->addWidget(new QLabel(shortEnd, this), 3, 0);
    layout->addWidget(laneOf(sliderNear_), 3, 1, Qt::AlignLeft);
    layout->addWidget(valueNear_, 3, 2);
    layout->addWidget(new QLabel(longEnd, this), 4, 0);
    layout->addWidget(laneOf(sliderFar_), 4, 1, Qt::AlignLeft);
    layout->addWidget(valueFar_, 4, 2);
    layout->setColumnStretch(3, 1);
}

QWidget* FocusLimitPosition::laneOf(FocusedWheelSlider* slider) {
    auto* lane = new QWidget(this);
    auto* row = new QHBoxLayout(lane);
    row->setSpacing(0);
    row->addWidget(slider);
    row->addStretch(1);
    return lane;
}

// The handle's centre runs from the first to the last point of the drawn scale: the track is the
// scale's width plus one handle, starting half a handle before the scale.
void FocusLimitPosition::alignSlidersToScale() {
    const QRectF scale = view_->scaleRect(QSizeF(view_->width(), view_->height()));
    for (FocusedWheelSlider* slider : {sliderNear_, sliderFar_}) {
        const int handle = slider->handleLength();
        const int left = int(scale.left()) - handle / 2;
        QWidget* lane = slider->parentWidget();
        lane->setFixedWidth(view_->width());
        lane->layout()->setContentsMargins(left, 0, 0, 0);
        slider->setFixedWidth(int(scale.width()) + handle);
    }
}

void FocusLimitPosition::changeEvent(QEvent* event) {
    QGroupBox::changeEvent(event);
    // Another style draws another handle.
    if (event->type() == QEvent::StyleChange)
        alignSlidersToScale();
}

void FocusLimitPosition::setSwitchLayout(int focusLimitSwitchType) {
    const PositionTexts texts = textsOf(number_);
    const bool middleFirst = focusLimitSwitchType == 1;
    const bool middle = (number_ == 1) == middleFirst;
    icon_->setPixmap(QPixmap::fromImage(FocusLimitSwitchIcon::named(
        middle ? FocusLimitSwitchIcon::middleName : FocusLimitSwitchIcon::bottomName)));
    icon_->setObjectName(middle ? FocusLimitSwitchIcon::middleName : FocusLimitSwitchIcon::bottomName);
    title_->setText(middleFirst ? texts.titleType1 : texts.titleType0);
}

void FocusLimitPosition::showLimits(bool available, std::int64_t mode, std::int64_t near, std::int64_t far,
                                    int divisions) {
    if (!available || mode_ == notAvailable) {
        showUnavailable();
        return;
    }
    mode_ = int(mode);
    showMode();
    const QSignalBlocker nearBlocker(sliderNear_);
    const QSignalBlocker farBlocker(sliderFar_);
    for (QSlider* slider : {sliderNear_, sliderFar_}) {
        slider->setRange(1, divisions);
        slider->setEnabled(true);
    }
    sliderNear_->setValue(int(near + 1));
    sliderFar_->setValue(int(far + 1));
    radioRange_->setEnabled(true);
    radioSegment_->setEnabled(true);
    showViewValues();
}

void FocusLimitPosition::showUnavailable() {
    mode_ = notAvailable;
    showMode();
    const QSignalBlocker nearBlocker(sliderNear_);
    const QSignalBlocker farBlocker(sliderFar_);
    for (QSlider* slider : {sliderNear_, sliderFar_}) {
        slider->setRange(1, defaultSliderDevide);
        slider->setEnabled(false);
    }
    sliderNear_->setValue(defaultNearValue + 1);
    sliderFar_->setValue(defaultFarValue + 1);
    radioRange_->setEnabled(false);
    radioSegment_->setEnabled(false);
    showViewValues();
}

void FocusLimitPosition::storeLimits(std::int64_t& mode, std::int64_t& near, std::int64_t& far) const {
    mode = mode_;
    near = mode_ == notAvailable ? 0 : sliderNear_->value() - 1;
    far = mode_ == notAvailable ? 0 : sliderFar_->value() - 1;
}

void FocusLimitPosition::showMode() {
    const bool segment = mode_ == segmentMode;
    radioRange_->setChecked(!segment);
    radioSegment_->setChecked(segment);
    view_->setMode(segment ? FocusLimitView::segmentMode : FocusLimitView::rangeMode);
}

void FocusLimitPosition::changeFocusLimitMode(int mode) {
    mode_ = mode;
    showMode();
}

void FocusLimitPosition::changeSliderValue(QSlider* sender) {
    if (sender == sliderNear_) {
        if (sliderFar_->value() <= sliderNear_->value())
            sliderNear_->setValue(sliderFar_->value() - 1);
        view_->setNearValue(fraction(sliderNear_));
    } else {
        if (sliderNear_->value() >= sliderFar_->value())
            sliderFar_->setValue(sliderNear_->value() + 1);
        view_->setFarValue(fraction(sliderFar_));
    }
    showSliderValues();
}

qreal FocusLimitPosition::fraction(const QSlider* slider) const {
    // A scale of one step has no length: everything sits at its start.
    const int span = slider->maximum() - 1;
    return span > 0 ? qreal(slider->value() - 1) / span : 0.0;
}

void FocusLimitPosition::showViewValues() {
    view_->setNearValue(fraction(sliderNear_));
    view_->setFarValue(fraction(sliderFar_));
    showSliderValues();
}

void FocusLimitPosition::showSliderValues() {
    valueNear_->setText(QString::number(sliderNear_->value()));
    valueFar_->setText(QString::number(sliderFar_->value()));
}

} // namespace lensdock
