#include "FaultPlan.h"

#include <array>
#include <utility>

namespace lensdock {

namespace {
const std::array<std::pair<FaultKind, const char*>, 16> kindNames{{
    {FaultKind::dropReply, "drop-reply"},
    {FaultKind::crcLow, "crc-low"},
    {FaultKind::crcHigh, "crc-high"},
    {FaultKind::packetNumber, "packet-number"},
    {FaultKind::destination, "destination"},
    {FaultKind::function, "function"},
    {FaultKind::errorFrame, "error-frame"},
    {FaultKind::splitReply, "split-reply"},
    {FaultKind::strayBytes, "stray-bytes"},
    {FaultKind::nakBlock, "nak-block"},
    {FaultKind::canBlock, "can-block"},
    {FaultKind::unplugAfterBlock, "unplug-after-block"},
    {FaultKind::refuseAdjustWrite, "refuse-adjust-write"},
    {FaultKind::ignoreAdjustWrite, "ignore-adjust-write"},
    {FaultKind::unplugOnRequest, "unplug-on-request"},
    {FaultKind::noReturn, "no-return"},
}};
} // namespace

std::optional<FaultKind> FaultPlan::kindFromName(const QString& name) {
    for (const auto& [kind, text] : kindNames)
        if (name == QLatin1String(text))
            return kind;
    return std::nullopt;
}

QString FaultPlan::nameOf(FaultKind kind) {
    for (const auto& [k, text] : kindNames)
        if (k == kind)
            return QLatin1String(text);
    return {};
}

QStringList FaultPlan::names() {
    QStringList list;
    for (const auto& entry : kindNames)
        list << QLatin1String(entry.second);
    return list;
}

void FaultPlan::arm(FaultKind kind, int count) {
    if (kind == FaultKind::unplugAfterBlock) {
        unplugAfterBlock_ = count;
        return;
    }
    if (count > 0)
        counts_[kind] += count;
}

bool FaultPlan::take(FaultKind kind) {
    const auto it = counts_.find(kind);
    if (it == counts_.end())
        return false;
    if (--it->second <= 0)
        counts_.erase(it);
    return true;
}

bool FaultPlan::takeUnplugAfter(int blocksInRecord) {
    if (!unplugAfterBlock_ || *unplugAfterBlock_ != blocksInRecord)
        return false;
    unplugAfterBlock_.reset();
    return true;
}

void FaultPlan::clear() {
    counts_.clear();
    unplugAfterBlock_.reset();
    scope_.reset();
}

std::map<QString, int> FaultPlan::armed() const {
    std::map<QString, int> result;
    for (const auto& [kind, count] : counts_)
        result[nameOf(kind)] = count;
    if (unplugAfterBlock_)
        result[nameOf(FaultKind::unplugAfterBlock)] = *unplugAfterBlock_;
    return result;
}

} // namespace lensdock
