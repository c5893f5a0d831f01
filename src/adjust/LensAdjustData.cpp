#include "adjust/LensAdjustData.h"

#include "base/Logger.h"

#include <algorithm>
#include <QStringList>

namespace lensdock {

namespace {
const QString threadTag = QStringLiteral("Thread");

bool isOneOf(std::int64_t value, std::initializer_list<std::int64_t> allowed) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

bool correctFocusList(LensAdjustData::FocusList& list, const LensInfo& lens) {
    bool unchanged = true;
    const std::int64_t middle = (lens.focusAdjustMin + lens.focusAdjustMax) / 2;
    for (auto& entry : list) {
        if (entry < lens.focusAdjustMin || entry > lens.focusAdjustMax) {
            entry = middle;
            unchanged = false;
        }
    }
    return unchanged;
}

bool correctSwitch(std::int64_t& near, std::int64_t& far, std::int64_t& mode, std::int64_t maxStep) {
    bool unchanged = true;
    if (!isOneOf(mode, {1, 2})) {
        mode = 1;
        unchanged = false;
    }
    if (near < 0 || near > maxStep) {
        near = 0;
        unchanged = false;
    }
    if (far < 0 || far > maxStep) {
        far = maxStep;
        unchanged = false;
    }
    if (near >= far) {
        near = 0;
        far = maxStep;
        unchanged = false;
    }
    return unchanged;
}

bool failCheck(const QString& message, std::int64_t value) {
    Logger::trace(threadTag, message + QString::number(value));
    return false;
}

bool checkFocusList(const LensAdjustData::FocusList& list, const LensInfo& lens, const QString& message) {
    for (const auto entry : list) {
        if (entry < lens.focusAdjustMin || entry > lens.focusAdjustMax)
            return failCheck(message, entry);
    }
    return true;
}

bool checkSwitch(std::int64_t near, std::int64_t far, std::int64_t mode, std::int64_t maxStep,
                 const QString& name) {
    const QString prefix = QStringLiteral("Error adjust check ") + name;
    if (!isOneOf(mode, {1, 2}))
        return failCheck(prefix + QStringLiteral(" Mode = "), mode);
    if (near < 0)
        return failCheck(prefix + QStringLiteral(" Near = "), near);
    if (near >= far) {
        failCheck(prefix + QStringLiteral(" Near = "), near);
        return failCheck(prefix + QStringLiteral(" Far = "), far);
    }
    if (far > maxStep)
        return failCheck(prefix + QStringLiteral(" Far = "), far);
    return true;
}

QString listText(const LensAdjustData::FocusList& list) {
    QStringList parts;
    for (const auto entry : list)
        parts << QString::number(entry);
    return QStringLiteral("[") + parts.join(QStringLiteral(", ")) + QStringLiteral("]");
}
} // namespace

int LensAdjustData::usedZoomCount(const LensInfo& lens) {
    return std::clamp(lens.zoomCount, 0, 8);
}

int LensAdjustData::usedFocusPointCount(const LensInfo& lens) {
    return std::clamp(lens.focusPointCount, 0, 3);
}

LensAdjustData LensAdjustData::factorySettings(const LensInfo& lens) {
    LensAdjustData data;
    data.focusLimitFirstNear = lens.focusLimitDefaultFirstNear;
    data.focusLimitFirstFar = lens.focusLimitDefaultFirstFar;
    data.focusLimitSecondNear = lens.focusLimitDefaultSecondNear;
    data.focusLimitSecondFar = lens.focusLimitDefaultSecondFar;
    data.focusLimitFirstMode = lens.focusLimitDefaultModes[0];
    data.focusLimitSecondMode = lens.focusLimitDefaultModes[1];
    data.correctSettings(lens);
    return data;
}

bool LensAdjustData::isSameSettings(const LensAdjustData& other, const LensInfo& lens) const {
    if (lens.supportsFocusZoom) {
        const auto mine = focusLists();
        const auto theirs = other.focusLists();
        const int zooms = usedZoomCount(lens);
        for (int k = 0; k < usedFocusPointCount(lens); ++k) {
            if (!std::equal(mine[k]->begin(), mine[k]->begin() + zooms, theirs[k]->begin()))
                return false;
        }
    }
    if (lens.supportsFullTimeManual) {
        if (isFullTimeManualEnable != other.isFullTimeManualEnable)
            return false;
        if (isFullTimeManualEnable && fullTimeManual != other.fullTimeManual)
            return false;
    }
    if (lens.supportsFocusLimit && lens.focusLimitCount >= 1) {
        if (focusLimitFirstNear != other.focusLimitFirstNear ||
            focusLimitFirstFar != other.focusLimitFirstFar ||
            focusLimitFirstMode != other.focusLimitFirstMode)
            return false;
        if (lens.focusLimitCount >= 2 && (focusLimitSecondNear != other.focusLimitSecondNear ||
                                          focusLimitSecondFar != other.focusLimitSecondFar ||
                                          focusLimitSecondMode != other.focusLimitSecondMode))
            return false;
    }
    return !lens.supportsVcMode || vcMode == other.vcMode;
}

bool LensAdjustData::correctSettings(const LensInfo& lens) {
    const std::int64_t maxStep = lens.focusLimitMaxStep();
    bool unchanged = correctFocusList(focusZoomClose, lens);
    unchanged = correctFocusList(focusZoomCenter, lens) && unchanged;
    unchanged = correctFocusList(focusZoomInfinite, lens) && unchanged;
    unchanged =
        correctSwitch(focusLimitFirstNear, focusLimitFirstFar, focusLimitFirstMode, maxStep) && unchanged;
    unchanged =
        correctSwitch(focusLimitSecondNear, focusLimitSecondFar, focusLimitSecondMode, maxStep) && unchanged;
    if (!isOneOf(fullTimeManual, {1, 2, 3})) {
        fullTimeManual = 2;
        unchanged = false;
    }
    if (!isOneOf(vcMode, {1, 2, 3})) {
        vcMode = 1;
        unchanged = false;
    }
    return unchanged;
}

bool LensAdjustData::checkAdjustData(const LensInfo& lens, bool hasDelegate) const {
    if (!hasDelegate)
        return false;
    const std::int64_t maxStep = lens.focusLimitMaxStep();
    return checkFocusList(focusZoomClose, lens, QStringLiteral("Error adjust check zoomClose = ")) &&
           checkFocusList(focusZoomCenter, lens, QStringLiteral("Error adjust check zoomCenter = ")) &&
           checkFocusList(focusZoomInfinite, lens, QStringLiteral("Error adjust check zoomInfinite = ")) &&
           (isOneOf(fullTimeManual, {1, 2, 3}) ||
            failCheck(QStringLiteral("Error adjust check fullTimeManual = "), fullTimeManual)) &&
           checkSwitch(focusLimitFirstNear, focusLimitFirstFar, focusLimitFirstMode, maxStep,
                       QStringLiteral("Limit1")) &&
           checkSwitch(focusLimitSecondNear, focusLimitSecondFar, focusLimitSecondMode, maxStep,
                       QStringLiteral("Limit2")) &&
           (isOneOf(vcMode, {1, 2, 3}) || failCheck(QStringLiteral("Error adjust check vcMode = "), vcMode));
}

void LensAdjustData::dumpData() const {
    Logger::plain(QStringLiteral("----- Adjust Data Dump -----"));
    Logger::plain(QStringLiteral("focusZoomClose    = ") + listText(focusZoomClose));
    Logger::plain(QStringLiteral("focusZoomCenter   = ") + listText(focusZoomCenter));
    Logger::plain(QStringLiteral("focusZoomInfinite = ") + listText(focusZoomInfinite));
    Logger::plain(QStringLiteral("fullTimeManualEnable = ") +
                  (isFullTimeManualEnable ? QStringLiteral("true") : QStringLiteral("false")));
    Logger::plain(QStringLiteral("fullTimeManual = %1").arg(fullTimeManual));
    const std::pair<const char*, std::int64_t> limiter[] = {
        {"focusLimitFirstNear", focusLimitFirstNear}, {"focusLimitFirstFar", focusLimitFirstFar},
        {"focusLimitFirstMode", focusLimitFirstMode}, {"focusLimitSecondNear", focusLimitSecondNear},
        {"focusLimitSecondFar", focusLimitSecondFar}, {"focusLimitSecondMode", focusLimitSecondMode}};
    for (const auto& [name, value] : limiter)
        Logger::plain(QStringLiteral("%1 = %2").arg(QLatin1String(name)).arg(value));
    Logger::plain(QStringLiteral("vcMode = %1").arg(vcMode));
    Logger::plain(QStringLiteral("----------------------------"));
}

} // namespace lensdock
