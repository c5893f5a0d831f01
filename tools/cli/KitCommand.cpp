#include "BlockingDownload.h"
#include "Commands.h"
#include "KitBuilder.h"
#include "online/ResourcePaths.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

namespace lensdock::cli {

std::optional<int> kitMountInfo(const QString& name) {
    const QString lower = name.toLower();
    const QStringList names[] = {{QStringLiteral("canon"), QStringLiteral("e0"), QStringLiteral("1")},
                                 {QStringLiteral("nikon"), QStringLiteral("n0"), QStringLiteral("2")},
                                 {QStringLiteral("sony"), QStringLiteral("s0"), QStringLiteral("3")}};
    for (int index = 0; index < 3; ++index) {
        if (names[index].contains(lower))
            return index + 1;
    }
    return std::nullopt;
}

namespace {

// The lenses of the kit: the mounted one, or those named with --for on the dock's mount or --mount.
KitRequest requestFor(CommandEnv& env) {
    const AdapterBasicInfo adapter = env.context.adapterBasicInfo().get();
    KitRequest request;
    // The usage check has refused a mount it does not know.
    request.mountSuffix =
        ResourcePaths::mountSuffix(kitMountInfo(env.options.kitMount).value_or(adapter.mountInfo));
    request.adapterVersion = adapter.fwVersion;
    request.lensModels = env.options.kitModels;
    if (request.lensModels.isEmpty()) {
        const LensInfo lens = env.context.lensInfo().get();
        request.lensModels << lens.modelCode;
        request.lensVersions.insert(lens.modelCode, lens.firmwareVersion);
    }
    return request;
}

void report(CommandEnv& env, const KitBuilder& kit, const QString& folder, bool complete) {
    QStringList lines;
    QJsonArray files;
    for (const KitBuilder::WrittenFile& file : kit.written()) {
        lines << QStringLiteral("Wrote %1 (%2 bytes)").arg(file.relativePath).arg(file.bytes);
        files.append(
            QJsonObject{{QStringLiteral("path"), file.relativePath}, {QStringLiteral("bytes"), file.bytes}});
    }
    for (const QString& path : kit.skipped())
        lines << QStringLiteral("Left out %1").arg(path);
    env.out.set(QStringLiteral("folder"), folder);
    env.out.set(QStringLiteral("files"), files);
    env.out.set(QStringLiteral("skipped"), QJsonArray::fromStringList(kit.skipped()));
    env.out.set(QStringLiteral("totalBytes"), kit.totalBytes());
    if (!complete) {
        env.out.lines(lines);
        return;
    }
    lines << QStringLiteral(
                 "Update kit ready in %1: %2 files, %3 bytes; every firmware file deciphers with its key.")
                 .arg(folder)
                 .arg(kit.written().size())
                 .arg(kit.totalBytes());
    lines << QStringLiteral("Use it with --download-url %1").arg(QUrl::fromLocalFile(folder).toString());
    env.out.lines(lines);
}
} // namespace

// The dock is asked first (for its mount, and the lens's model), then released before the downloads.
std::optional<Failure> runKit(CommandEnv& env) {
    const QString folder = QDir(env.options.arguments.value(0)).absolutePath();
    const bool lensNamed = !env.options.kitModels.isEmpty();
    if (auto failure = env.device.connect(lensNamed ? DeviceFlows::Scope::adapter : DeviceFlows::Scope::lens))
        return failure;
    env.device.terminate();
    const KitRequest request = requestFor(env);
    BlockingDownload downloads(env.context.options().downloadHost, env.context.options().networkLimits);
    KitBuilder kit(downloads, folder);
    const std::optional<Failure> failure = kit.build(request);
    report(env, kit, folder, !failure);
    return failure;
}

} // namespace lensdock::cli
