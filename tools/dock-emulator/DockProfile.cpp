#include "DockProfile.h"

#include "IdentityEncoder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace lensdock {

namespace {
AdapterBasicInfo standardAdapter() {
    return {QStringLiteral("0123"), 1, QStringLiteral("01"), QStringLiteral("0100")};
}

LensInfo zoomLensInfo() {
    LensInfo lens;
    lens.modelCode = QStringLiteral("A036");
    lens.serialCode = QStringLiteral("EMU0000000000001");
    lens.firmwareVersion = QStringLiteral("0100");
    lens.supportsFocusZoom = lens.supportsFullTimeManual = true;
    lens.supportsFocusLimit = lens.supportsVcMode = true;
    lens.vcModeType = 0;
    lens.zoomCount = 8;
    lens.focusPointCount = 3;
    lens.focusLimitCount = 2;
    lens.focusLimitSwitchType = 1;
    lens.focusLimitDefaultModes = {1, 2, 1, 1};
    lens.focusLimitDivisions = 10;
    lens.focusAdjustMax = 30;
    lens.focusAdjustMin = -30;
    lens.focusLimitDefaultFirstNear = 0;
    lens.focusLimitDefaultFirstFar = 9;
    lens.focusLimitDefaultSecondNear = 2;
    lens.focusLimitDefaultSecondFar = 7;
    lens.zoomFocalLengths = {28, 35, 50, 70, 100, 135, 200, 300};
    return lens;
}

// A lens profile must encode to an identity the host accepts.
bool isConsistent(const DockProfile& profile, QString* error) {
    if (!IdentityEncoder::adapterPayload(profile.adapter) || !IdentityEncoder::lensPayload(profile.lens)) {
        *error = QStringLiteral("versions must be decimal digits (four, or two for hardware)");
        return false;
    }
    const LensInfo& lens = profile.lens;
    const int maxStep = lens.focusLimitMaxStep();
    const int defaults[] = {lens.focusLimitDefaultFirstNear, lens.focusLimitDefaultFirstFar,
                            lens.focusLimitDefaultSecondNear, lens.focusLimitDefaultSecondFar};
    bool ok = lens.focusLimitDivisions >= 2 && lens.focusLimitDivisions <= 255;
    for (int step : defaults)
        ok = ok && step >= 0 && step <= maxStep;
    ok = ok && lens.focusAdjustMin >= -128 && lens.focusAdjustMax <= 127 &&
         lens.focusAdjustMin <= lens.focusAdjustMax;
    if (!ok)
        *error = QStringLiteral("limiter divisions must be 2 to 255, defaults within the scale, adjust "
                                "limits within -128 to 127");
    return ok;
}
} // namespace

DockProfile DockProfile::zoomLens() {
    return {standardAdapter(), zoomLensInfo()};
}

DockProfile DockProfile::primeLens() {
    DockProfile profile{standardAdapter(), zoomLensInfo()};
    LensInfo& lens = profile.lens;
    lens.modelCode = QStringLiteral("F045");
    lens.serialCode = QStringLiteral("EMU0000000000002");
    lens.supportsVcMode = false;
    lens.zoomCount = 1;
    lens.focusPointCount = 3;
    lens.focusLimitCount = 1;
    lens.focusLimitDefaultModes = {1, 1, 1, 1};
    lens.focusLimitDefaultSecondNear = 0;
    lens.focusLimitDefaultSecondFar = 9;
    lens.zoomFocalLengths = {45, 0, 0, 0, 0, 0, 0, 0};
    return profile;
}

DockProfile DockProfile::awkwardLens() {
    DockProfile profile{standardAdapter(), zoomLensInfo()};
    profile.adapter.mountInfo = 2;
    LensInfo& lens = profile.lens;
    lens.modelCode = QStringLiteral("B028");
    lens.serialCode = QStringLiteral("EMU0000000000003");
    lens.firmwareVersion = QStringLiteral("0203");
    lens.vcModeType = 1;
    lens.zoomCount = 5;
    lens.focusPointCount = 2;
    lens.focusLimitCount = 1;
    lens.focusLimitSwitchType = 2;
    lens.focusLimitDefaultModes = {2, 1, 1, 1};
    lens.focusLimitDivisions = 7;
    lens.focusAdjustMax = 20;
    lens.focusAdjustMin = -20;
    lens.focusLimitDefaultFirstNear = 1;
    lens.focusLimitDefaultFirstFar = 5;
    lens.focusLimitDefaultSecondNear = 0;
    lens.focusLimitDefaultSecondFar = 6;
    lens.zoomFocalLengths = {18, 24, 35, 50, 400, 0, 0, 0};
    lens.lensKind = 1;
    return profile;
}

QStringList DockProfile::builtInNames() {
    return {QStringLiteral("zoom"), QStringLiteral("prime"), QStringLiteral("awkward")};
}

std::optional<DockProfile> DockProfile::builtIn(const QString& name) {
    if (name == QLatin1String("zoom"))
        return zoomLens();
    if (name == QLatin1String("prime"))
        return primeLens();
    if (name == QLatin1String("awkward"))
        return awkwardLens();
    return std::nullopt;
}

namespace {
// Reads optional fields of one JSON object into existing values, remembering the first bad one.
class FieldReader {
public:
    FieldReader(const QJsonObject& object, QString section) : object_(object), section_(std::move(section)) {}

    void text(const char* name, QString& target) {
        const QJsonValue v = object_.value(QLatin1String(name));
        if (v.isUndefined())
            return;
        if (!v.isString())
            return fail(name, "a string");
        target = v.toString();
    }
    void flag(const char* name, bool& target) {
        const QJsonValue v = object_.value(QLatin1String(name));
        if (v.isUndefined())
            return;
        if (!v.isBool())
            return fail(name, "true or false");
        target = v.toBool();
    }
    void number(const char* name, int& target, int min, int max) {
        const QJsonValue v = object_.value(QLatin1String(name));
        if (v.isUndefined())
            return;
        if (!isIntegerIn(v, min, max))
            return fail(name, qPrintable(QStringLiteral("an integer from %1 to %2").arg(min).arg(max)));
        target = v.toInt();
    }
    template <std::size_t N> void numbers(const char* name, std::array<int, N>& target, int min, int max) {
        const QJsonValue v = object_.value(QLatin1String(name));
        if (v.isUndefined())
            return;
        const QJsonArray array = v.toArray();
        bool ok = v.isArray() && array.size() == qsizetype(N);
        for (qsizetype i = 0; ok && i < array.size(); ++i)
            ok = isIntegerIn(array[i], min, max);
        if (!ok)
            return fail(
                name,
                qPrintable(QStringLiteral("a list of %1 integers from %2 to %3").arg(N).arg(min).arg(max)));
        for (std::size_t i = 0; i < N; ++i)
            target[i] = array[qsizetype(i)].toInt();
    }
    const QString& error() const { return error_; }

private:
    static bool isIntegerIn(const QJsonValue& v, int min, int max) {
        return v.isDouble() && v.toDouble() == double(v.toInt()) && v.toInt() >= min && v.toInt() <= max;
    }
    void fail(const char* name, const char* expected) {
        if (error_.isEmpty())
            error_ = QStringLiteral("%1.%2 must be %3")
                         .arg(section_, QLatin1String(name), QLatin1String(expected));
    }

    QJsonObject object_;
    QString section_;
    QString error_;
};

QString readAdapter(const QJsonObject& object, AdapterBasicInfo& adapter) {
    FieldReader r(object, QStringLiteral("adapter"));
    r.text("firmware", adapter.fwVersion);
    r.number("mount", adapter.mountInfo, 0, 255);
    r.text("hardware", adapter.hwVersion);
    r.text("communication", adapter.communicationVersion);
    return r.error();
}

QString readLens(const QJsonObject& object, LensInfo& lens) {
    FieldReader r(object, QStringLiteral("lens"));
    r.text("model", lens.modelCode);
    r.text("serial", lens.serialCode);
    r.text("firmware", lens.firmwareVersion);
    r.text("version2", lens.version2);
    r.text("version3", lens.version3);
    r.text("version4", lens.version4);
    r.text("version5", lens.version5);
    r.text("version6", lens.version6);
    r.flag("focusZoom", lens.supportsFocusZoom);
    r.flag("fullTimeManual", lens.supportsFullTimeManual);
    r.flag("focusLimit", lens.supportsFocusLimit);
    r.flag("vcMode", lens.supportsVcMode);
    r.number("vcModeType", lens.vcModeType, 0, 255);
    r.number("zoomCount", lens.zoomCount, 0, 255);
    r.number("focusPointCount", lens.focusPointCount, 0, 255);
    r.number("limiterCount", lens.focusLimitCount, 0, 3);
    r.number("limiterSwitchType", lens.focusLimitSwitchType, 0, 3);
    r.numbers("limiterDefaultModes", lens.focusLimitDefaultModes, 1, 2);
    r.number("divisions", lens.focusLimitDivisions, 2, 255);
    r.number("adjustMax", lens.focusAdjustMax, -128, 127);
    r.number("adjustMin", lens.focusAdjustMin, -128, 127);
    std::array<int, 4> defaults{lens.focusLimitDefaultFirstNear, lens.focusLimitDefaultFirstFar,
                                lens.focusLimitDefaultSecondNear, lens.focusLimitDefaultSecondFar};
    r.numbers("limiterDefaults", defaults, 0, 254);
    lens.focusLimitDefaultFirstNear = defaults[0];
    lens.focusLimitDefaultFirstFar = defaults[1];
    lens.focusLimitDefaultSecondNear = defaults[2];
    lens.focusLimitDefaultSecondFar = defaults[3];
    r.numbers("focalLengths", lens.zoomFocalLengths, 0, 65535);
    r.number("lensKind", lens.lensKind, 0, 255);
    return r.error();
}
} // namespace

std::optional<DockProfile> DockProfile::fromJson(const QByteArray& json, QString* error) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (!document.isObject()) {
        *error = QStringLiteral("profile is not a JSON object: %1").arg(parseError.errorString());
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    const QString base = root.value(QLatin1String("builtin")).toString(QStringLiteral("zoom"));
    auto profile = builtIn(base);
    if (!profile) {
        *error = QStringLiteral("unknown built-in profile \"%1\"").arg(base);
        return std::nullopt;
    }
    *error = readAdapter(root.value(QLatin1String("adapter")).toObject(), profile->adapter);
    if (error->isEmpty())
        *error = readLens(root.value(QLatin1String("lens")).toObject(), profile->lens);
    if (!error->isEmpty() || !isConsistent(*profile, error))
        return std::nullopt;
    return profile;
}

} // namespace lensdock
