#include "calibration/FocusMeasurement.h"
#include "calibration/ShotReader.h"
#include "calibration/TargetPrinter.h"
#include "Commands.h"

#include <atomic>
#include <cmath>
#include <mutex>
#include <opencv2/core.hpp>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QThread>
#include <thread>

namespace lensdock::cli {

namespace {

constexpr int defaultDpi = 300;

struct ShotOutcome {
    QString file;
    ShotMetadata metadata;
    FocusResult result;
};

ShotOutcome measureFile(const QString& path) {
    const ShotReadResult read = ShotReader::read(path);
    if (!read.shot)
        return {path, {}, FocusResult::refusal(read.reason)};
    ShotOutcome outcome{path, read.shot->metadata, {}};
    outcome.result = FocusMeasurement::measure(*read.shot);
    if (!read.shot->note.isEmpty())
        outcome.result.notes.prepend(read.shot->note);
    return outcome;
}

// Every core takes the next shot; the progress line counts them as they end.
std::vector<ShotOutcome> measureAll(const QStringList& files) {
    std::vector<ShotOutcome> outcomes(size_t(files.size()));
    std::atomic<int> next{0};
    std::mutex progress;
    int done = 0;
    const auto work = [&] {
        for (int i = next++; i < files.size(); i = next++) {
            outcomes[size_t(i)] = measureFile(files[i]);
            const std::lock_guard lock(progress);
            if (files.size() > 1)
                CommandOutput::write(
                    stderr, QStringLiteral("measured %1 of %2 shots\n").arg(++done).arg(files.size()));
        }
    };
    std::vector<std::thread> workers;
    const int count = std::clamp(QThread::idealThreadCount(), 1, int(files.size()));
    for (int i = 0; i < count; ++i)
        workers.emplace_back(work);
    for (std::thread& worker : workers)
        worker.join();
    return outcomes;
}

QString signedMm(double value) {
    return QStringLiteral("%1%2 mm").arg(value > 0 ? QStringLiteral("+") : QString()).arg(value, 0, 'f', 1);
}

QString bodyOf(const ShotMetadata& meta) {
    const QString body =
        meta.model.startsWith(meta.make) ? meta.model : (meta.make + QLatin1Char(' ') + meta.model);
    return body.trimmed().isEmpty() ? QStringLiteral("unknown body") : body.trimmed();
}

QString textOf(const ShotOutcome& s) {
    const FocusResult& r = s.result;
    const QString focal = s.metadata.focalLength_mm
                              ? QStringLiteral("%1 mm").arg(*s.metadata.focalLength_mm, 0, 'f', 0)
                              : QStringLiteral("focal length unknown");
    QString line = QStringLiteral("%1: %2, %3: ").arg(s.file, focal, bodyOf(s.metadata));
    if (!r.measured())
        return line + QStringLiteral("refused: ") + r.reason;
    line +=
        QStringLiteral("best focus %1 along the target; focus error %2 along the axis (5-95 %: %3 to %4); %5")
            .arg(signedMm(r.peakAlongTarget_mm), signedMm(r.focusError_mm), signedMm(r.intervalLow_mm),
                 signedMm(r.intervalHigh_mm), verdictName(r.verdict));
    if (const auto depths = r.errorInDepthsOfField())
        line += QStringLiteral(" (%1 of the depth of field)").arg(*depths, 0, 'f', 2);
    for (const QString& note : r.notes)
        line += QStringLiteral("\n  note: ") + note;
    return line;
}

QJsonValue optionalNumber(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonObject jsonOf(const ShotOutcome& s) {
    const FocusResult& r = s.result;
    QJsonObject json{
        {QStringLiteral("file"), s.file},
        {QStringLiteral("focalLength_mm"), optionalNumber(s.metadata.focalLength_mm)},
        {QStringLiteral("fNumber"), optionalNumber(s.metadata.fNumber)},
        {QStringLiteral("body"), bodyOf(s.metadata)},
        {QStringLiteral("bodySerial"), s.metadata.bodySerial},
        {QStringLiteral("verdict"), verdictName(r.verdict)},
        {QStringLiteral("reason"), r.measured() ? QJsonValue(QJsonValue::Null) : QJsonValue(r.reason)},
        {QStringLiteral("notes"), QJsonArray::fromStringList(r.notes)}};
    if (r.measured()) {
        json.insert(QStringLiteral("peakAlongTarget_mm"), r.peakAlongTarget_mm);
        json.insert(QStringLiteral("focusError_mm"), r.focusError_mm);
        json.insert(QStringLiteral("interval_mm"), QJsonArray{r.intervalLow_mm, r.intervalHigh_mm});
        json.insert(QStringLiteral("depthOfField_mm"),
                    r.depthOfField_mm > 0 ? QJsonValue(r.depthOfField_mm) : QJsonValue(QJsonValue::Null));
        json.insert(QStringLiteral("errorInDepthsOfField"), optionalNumber(r.errorInDepthsOfField()));
        json.insert(QStringLiteral("distance_mm"),
                    r.distance_mm > 0 ? QJsonValue(r.distance_mm) : QJsonValue(QJsonValue::Null));
        json.insert(QStringLiteral("tilt_deg"), r.tilt_deg);
        json.insert(QStringLiteral("edges"), r.edgeCount);
    }
    return json;
}

std::optional<Failure> runMeasure(const CliOptions& options, CommandOutput& out) {
    const QStringList files = options.arguments.mid(1);
    const std::vector<ShotOutcome> outcomes = measureAll(files);
    QJsonArray shots;
    int refusedCount = 0;
    for (const ShotOutcome& outcome : outcomes) {
        refusedCount += outcome.result.measured() ? 0 : 1;
        out.lines({textOf(outcome)});
        shots.append(jsonOf(outcome));
    }
    out.set(QStringLiteral("shots"), shots);
    if (refusedCount > 0)
        return Failure{
            ExitCode::file,
            QStringLiteral("%1 of %2 shots could not be measured").arg(refusedCount).arg(files.size())};
    return std::nullopt;
}

bool writeJsonFile(const QString& path, const QJsonObject& json, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(json).toJson()) < 0 || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

std::optional<Failure> runTarget(const CliOptions& options, CommandOutput& out) {
    const TargetLayout layout =
        TargetLayout::forPaper(TargetLayout::paperNamed(options.paper).value_or(Paper::a4));
    const int dpi = options.dpi.value_or(defaultDpi);
    QString error;
    const auto cannot = [&error](const QString& path) {
        return Failure{ExitCode::file, QStringLiteral("cannot write %1: %2").arg(path, error)};
    };
    if (!TargetPrinter::writePdf(layout, options.output, &error))
        return cannot(options.output);
    QStringList written{options.output};
    if (!options.pngPath.isEmpty()) {
        if (!TargetPrinter::writePng(layout, options.pngPath, dpi, &error))
            return cannot(options.pngPath);
        written << options.pngPath;
    }
    if (!options.targetJson.isEmpty()) {
        const auto pngDpi = options.pngPath.isEmpty() ? std::nullopt : std::optional<int>(dpi);
        if (!writeJsonFile(options.targetJson, layout.toJson(pngDpi), &error))
            return cannot(options.targetJson);
        written << options.targetJson;
    }
    out.lines({QStringLiteral("%1 target, %2 x %3 mm: print at 100 % (no fitting to the page) and check the "
                              "scale bar with a ruler.")
                   .arg(TargetLayout::paperName(layout.paper))
                   .arg(layout.pageWidth_mm)
                   .arg(layout.pageHeight_mm)});
    for (const QString& path : written)
        out.lines({QStringLiteral("Wrote ") + path});
    out.set(QStringLiteral("paper"), TargetLayout::paperName(layout.paper));
    out.set(QStringLiteral("files"), QJsonArray::fromStringList(written));
    return std::nullopt;
}

} // namespace

std::optional<Failure> runCalibrate(const CliOptions& options, CommandOutput& out) {
    // Shots are measured one per core; OpenCV's own threads inside each would only compete for them.
    cv::setNumThreads(0);
    if (options.arguments.value(0) == QStringLiteral("target"))
        return runTarget(options, out);
    return runMeasure(options, out);
}

} // namespace lensdock::cli
