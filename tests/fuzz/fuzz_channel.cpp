// The serial channel's receive path: arbitrary bytes, in arbitrary chunks, arrive for a request.
// Every request, queued blocks included, must end in exactly one report, and the channel must stay
// usable.
#include "base/Logger.h"
#include "link/CommandSet.h"
#include "link/FrameCodec.h"
#include "link/SerialChannel.h"
#include "MemorySerialPort.h"
#include "RecordingSerialDelegate.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = (lensdock::Logger::setSink([](const QString&) {}), true);
    (void)quiet;
    auto provider = std::make_shared<MemoryPortProvider>();
    // The watchdog never fires here: only the bytes decide.
    lensdock::SerialChannel serial(provider, std::chrono::hours(1));
    RecordingSerialDelegate delegate;
    serial.setDelegate(&delegate);
    if (!serial.openPort(provider->path()))
        std::abort();
    std::size_t at = 0;
    int requests = 0;
    while (at < size) {
        const std::uint8_t control = data[at++];
        if (!serial.isResponseWaiting()) {
            const auto kind = control & 0x03;
            if (kind == 0)
                serial.sendCommand(*lensdock::buildRequest(lensdock::CommandIndex::getBasicInfo, true),
                                   control & 4);
            else if (kind == 1)
                serial.sendBlock(QByteArray("\x02\x01\xFE", 3), QByteArray(8, 'x'), control & 4);
            else
                serial.sendCommand(*lensdock::buildRequest(lensdock::CommandIndex::checkLensMounted, true),
                                   false);
            ++requests;
        } else if ((control & 0x07) == 0x07 &&
                   serial.queueBlock(QByteArray("\x02\x02\xFD", 3), QByteArray(8, 'y'))) {
            ++requests;
        }
        const std::size_t chunk = std::min<std::size_t>(size - at, 1 + (control >> 3));
        provider->feed(QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(chunk)));
        at += chunk;
    }
    // Bytes that complete any partial frame, then acknowledgements: they end the block in hand and
    // send the queued ones; a command stays open.
    provider->feed(QByteArray(0x10000 + lensdock::FrameCodec::overheadBytes, '\0'));
    for (int i = 0; serial.isResponseWaiting() && i <= lensdock::SerialChannel::queuedBlocksLimit + 1; ++i)
        provider->feed(QByteArray(1, '\x06'));
    const qsizetype reports = delegate.count();
    if (reports != requests - (serial.isResponseWaiting() ? 1 : 0))
        std::abort(); // one report for each request but the one still open
    serial.setDelegate(nullptr);
    return 0;
}
