#include "CatalogueLookup.h"
#include "Commands.h"
#include "IdentityReport.h"

namespace lensdock::cli {

namespace {
// The catalogue only adds the name: any failure leaves the name unknown, never fails the command.
std::optional<QString> lensName(CommandEnv& env, const LensInfo& lens, int mountInfo) {
    CatalogueLookup lookup(env.context, env.options.store());
    // Offline, the copy kept from an earlier download may still name the lens.
    const auto outcome = lookup.lensCatalogue(lens, mountInfo, true);
    if (!outcome.record || outcome.record->lensName.isEmpty())
        return std::nullopt;
    return outcome.record->lensName;
}
} // namespace

std::optional<Failure> runInfo(CommandEnv& env) {
    if (auto failure = env.device.connect(DeviceFlows::Scope::lens))
        return failure;
    env.device.terminate();
    const AdapterBasicInfo adapter = env.context.adapterBasicInfo().get();
    const LensInfo lens = env.context.lensInfo().get();
    const std::optional<QString> name = lensName(env, lens, adapter.mountInfo);
    env.out.lines(IdentityReport::adapterText(adapter) + IdentityReport::lensText(lens, name));
    env.out.set(QStringLiteral("adapter"), IdentityReport::adapterJson(adapter));
    env.out.set(QStringLiteral("lens"), IdentityReport::lensJson(lens, name));
    return std::nullopt;
}

} // namespace lensdock::cli
