// lensdock-fwpack: builds an enciphered firmware file from records and a decode key.
#include "FirmwarePacker.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

using namespace lensdock;

namespace {
std::optional<std::uint8_t> parseByte(const QString& text) {
    bool ok = false;
    const uint value = text.toUInt(&ok, 0);
    if (!ok || value > 255)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

// DEVICE,AREA,VERSION,DATAFILE; the file name may itself hold commas.
std::optional<FirmwareRecord> parseRecord(const QString& recordText, QString& error) {
    const QStringList parts{
        recordText.section(QLatin1Char(','), 0, 0), recordText.section(QLatin1Char(','), 1, 1),
        recordText.section(QLatin1Char(','), 2, 2), recordText.section(QLatin1Char(','), 3)};
    if (recordText.count(QLatin1Char(',')) < 3 || parts[3].isEmpty()) {
        error = QStringLiteral("record \"%1\" is not DEVICE,AREA,VERSION,DATAFILE").arg(recordText);
        return std::nullopt;
    }
    const auto device = parseByte(parts[0]);
    const auto area = parseByte(parts[1]);
    if (!device || !area) {
        error = QStringLiteral("record \"%1\": device and area must be 0 to 255").arg(recordText);
        return std::nullopt;
    }
    QFile file(parts[3]);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(parts[3], file.errorString());
        return std::nullopt;
    }
    return FirmwareRecord{*device, *area, parts[2], file.readAll()};
}

bool writeFile(const QString& path, const QByteArray& bytes, QString& error) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return false;
}

int fail(const QString& message) {
    QTextStream(stderr) << "lensdock-fwpack: " << message << '\n';
    return 1;
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lensdock-fwpack"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Builds an enciphered firmware file (.vfwf). Each record gets a 1024-byte header holding the data "
        "size, the version (four decimal digits stored as two BCD bytes), the CRC-16 of the data, the "
        "target device and the target area; the whole file is XORed with the file key derived from the "
        "decode key."));
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("key"), QStringLiteral("Decode key: 64 hexadecimal digits."), QStringLiteral("HEX")});
    parser.addOption({QStringLiteral("record"),
                      QStringLiteral("A record, repeatable, in file order. DEVICE and AREA are 0 to 255 "
                                     "(decimal or 0x hex), VERSION four digits such as 0102."),
                      QStringLiteral("DEVICE,AREA,VERSION,DATAFILE")});
    parser.addOption({QStringLiteral("out"), QStringLiteral("Enciphered firmware file to write."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("plain"),
                      QStringLiteral("Also write the deciphered image (headers and data) for comparison."),
                      QStringLiteral("FILE")});
    parser.process(app);

    if (!parser.isSet(QStringLiteral("key")) || !parser.isSet(QStringLiteral("out")))
        return fail(QStringLiteral("--key and --out are required (see --help)"));
    QList<FirmwareRecord> records;
    QString error;
    for (const QString& recordText : parser.values(QStringLiteral("record"))) {
        const auto record = parseRecord(recordText, error);
        if (!record)
            return fail(error);
        records.append(*record);
    }
    const auto packed = FirmwarePacker::pack(records, parser.value(QStringLiteral("key")));
    if (!packed.ok())
        return fail(packed.error);
    if (!writeFile(parser.value(QStringLiteral("out")), packed.bytes, error))
        return fail(error);
    if (parser.isSet(QStringLiteral("plain")) &&
        !writeFile(parser.value(QStringLiteral("plain")), FirmwarePacker::plainImage(records).bytes, error))
        return fail(error);
    return 0;
}
