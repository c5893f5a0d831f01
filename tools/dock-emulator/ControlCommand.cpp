#include "ControlCommand.h"

#include "DockEmulator.h"

namespace lensdock::ControlCommand {

namespace {
Outcome refuse(const QString& why) {
    return {{}, why, false};
}

Outcome applyOverCurrent(DockEmulator& emulator, const QStringList& words) {
    if (words.size() != 2 || (words[1] != QLatin1String("on") && words[1] != QLatin1String("off")))
        return refuse(QStringLiteral("usage: overcurrent on|off"));
    emulator.setOverCurrent(words[1] == QLatin1String("on"));
    return {};
}

Outcome applyFault(DockEmulator& emulator, const QStringList& words) {
    if (words.size() < 2 || words.size() > 3)
        return refuse(
            QStringLiteral("usage: fault KIND [COUNT]; kinds: %1").arg(FaultPlan::names().join(' ')));
    const auto kind = FaultPlan::kindFromName(words[1]);
    if (!kind)
        return refuse(
            QStringLiteral("unknown fault \"%1\"; kinds: %2").arg(words[1], FaultPlan::names().join(' ')));
    bool ok = true;
    const int count = words.size() == 3 ? words[2].toInt(&ok) : 1;
    if (!ok || count < 1 || count > 100000)
        return refuse(QStringLiteral("COUNT must be a whole number from 1 to 100000"));
    emulator.armFault(*kind, count);
    return {};
}

// The scope is a function number in hex as it travels in the frame (FB = set adjust data), or "all".
Outcome applyFaultScope(DockEmulator& emulator, const QStringList& words) {
    if (words.size() == 2 && words[1] == QLatin1String("all")) {
        emulator.setFaultScope(std::nullopt);
        return {};
    }
    bool ok = false;
    const uint function = words.size() == 2 ? words[1].toUInt(&ok, 16) : 0;
    if (!ok || function > 0xFF)
        return refuse(QStringLiteral("usage: fault-scope FUNCTION|all (FUNCTION in hex, F7 to FD)"));
    emulator.setFaultScope(static_cast<std::uint8_t>(function));
    return {};
}

Outcome applySimple(DockEmulator& emulator, const QString& word) {
    if (word == QLatin1String("mount"))
        emulator.mountLens();
    else if (word == QLatin1String("unmount"))
        emulator.unmountLens();
    else if (word == QLatin1String("unplug"))
        emulator.unplug();
    else if (word == QLatin1String("replug"))
        emulator.replug();
    else if (word == QLatin1String("dump"))
        return {QString::fromUtf8(emulator.snapshot().toJsonLine()), {}, false};
    else if (word == QLatin1String("quit"))
        return {{}, {}, true};
    else
        return refuse(QStringLiteral("unknown command \"%1\"").arg(word));
    return {};
}
} // namespace

Outcome apply(DockEmulator& emulator, const QString& line) {
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {};
    if (words[0] == QLatin1String("overcurrent"))
        return applyOverCurrent(emulator, words);
    if (words[0] == QLatin1String("fault"))
        return applyFault(emulator, words);
    if (words[0] == QLatin1String("fault-scope"))
        return applyFaultScope(emulator, words);
    if (words.size() != 1)
        return refuse(QStringLiteral("\"%1\" takes no arguments").arg(words[0]));
    return applySimple(emulator, words[0]);
}

QStringList help() {
    return {
        QStringLiteral("mount                 mount the lens"),
        QStringLiteral("unmount               take the lens off"),
        QStringLiteral("unplug                pull the adapter out: the pty closes and the link vanishes"),
        QStringLiteral("replug                plug it back in: a new pty behind the same link"),
        QStringLiteral("overcurrent on|off    answer every request with the over-current error frame"),
        QStringLiteral("fault KIND [COUNT]    misbehave on the next COUNT occasions (default 1):"),
        QStringLiteral("  drop-reply          send no reply"),
        QStringLiteral("  crc-low, crc-high   corrupt that byte of the reply CRC"),
        QStringLiteral("  packet-number       reply with the next packet number instead of the request's"),
        QStringLiteral("  destination         reply with the other destination"),
        QStringLiteral("  function            reply with another function number"),
        QStringLiteral("  error-frame         reply with a 0xFF error frame (no over-current bit)"),
        QStringLiteral("  split-reply         send the reply in three delayed chunks"),
        QStringLiteral("  stray-bytes         send COUNT bursts of stray bytes now, unasked"),
        QStringLiteral("  nak-block           NAK a good firmware block"),
        QStringLiteral("  can-block           CAN a good firmware block (the transfer ends)"),
        QStringLiteral("  unplug-after-block  unplug once block COUNT of the record is acknowledged"),
        QStringLiteral("  refuse-adjust-write answer a set-adjust-data request with a 0xFF error frame"),
        QStringLiteral("  ignore-adjust-write acknowledge a set-adjust-data request but keep the old data"),
        QStringLiteral("  unplug-on-request   unplug on a request instead of acting on it"),
        QStringLiteral("  no-return           after the next reset stay away: the adapter until replug,"),
        QStringLiteral("                      the lens (after its firmware) until mount"),
        QStringLiteral("fault-scope F|all     reply faults hit only answers to function F (hex, e.g. FB)"),
        QStringLiteral("dump                  print the state as one JSON line"),
        QStringLiteral("quit                  remove the link and exit"),
    };
}

} // namespace lensdock::ControlCommand
