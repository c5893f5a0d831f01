// The firmware record parser on arbitrary enciphered files.
#include "base/Logger.h"
#include "firmware/FirmwareCipher.h"
#include "firmware/FirmwareRecordParser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = (lensdock::Logger::setSink([](const QString&) {}), true);
    (void)quiet;
    lensdock::FirmwareCipher cipher;
    cipher.setKey(QByteArray(32, '\x5A'));
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    double last = 0;
    lensdock::FirmwareRecordParser parser(file, cipher, [&last](double fraction) {
        if (fraction < last || fraction > 1.0)
            std::abort(); // progress only grows, up to the whole file
        last = fraction;
    });
    const auto outcome = parser.parse();
    if (outcome.output.size() > file.size())
        std::abort();
    return 0;
}
