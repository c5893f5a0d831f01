#include "Commands.h"
#include "firmware/DecodeFirmware.h"

#include <cstdio>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace lensdock::cli {

namespace {
// Takes the decoder's reports; run() calls it on the calling thread.
struct DecodeOutcome : DecodeFirmwareDelegate {
    void decodeProgress(double) override {}
    void decodeFinished(int n) override { count = n; }
    void decodeCompleted(FwErrorCode code) override { result = code; }

    int count = 0;
    FwErrorCode result = FwErrorCode::errorInput;
};

Failure decodeFailure(FwErrorCode code) {
    switch (code) {
    case FwErrorCode::errorInvalidKey:
        return {ExitCode::update, QStringLiteral("invalid decode key (64 hexadecimal digits expected)")};
    case FwErrorCode::errorCrc:
        return {ExitCode::update, QStringLiteral("checksum mismatch: wrong key or damaged file")};
    default:
        return {ExitCode::update,
                QStringLiteral("not a firmware file this key decodes (code %1)").arg(rawValue(code))};
    }
}

// A name beside the output for the decoder to write, so that the output itself is replaced only
// by a complete, successful decode.
std::optional<QString> reserveScratch(const QString& output) {
    QTemporaryFile scratch(
        QFileInfo(output).absoluteDir().filePath(QStringLiteral(".lensdock-decode-XXXXXX")));
    scratch.setAutoRemove(false);
    if (!scratch.open())
        return std::nullopt;
    return scratch.fileName();
}
} // namespace

std::optional<Failure> runDecode(const CliOptions& options, CommandOutput& out) {
    const QString input = options.arguments.value(0);
    if (!QFileInfo(input).isFile() || !QFileInfo(input).isReadable())
        return Failure{ExitCode::file, QStringLiteral("cannot read %1").arg(input)};
    const auto scratch = reserveScratch(options.output);
    if (!scratch)
        return Failure{ExitCode::file, QStringLiteral("cannot write beside %1").arg(options.output)};
    DecodeOutcome outcome;
    DecodeFirmware decoder;
    decoder.setDelegate(&outcome);
    decoder.setInFile(input);
    decoder.setOutFile(*scratch);
    decoder.setDecodeKeyStr(options.key);
    decoder.run();
    if (outcome.result != FwErrorCode::resultOk) {
        QFile::remove(*scratch);
        if (outcome.result == FwErrorCode::errorInput)
            return Failure{ExitCode::file, QStringLiteral("cannot write %1").arg(options.output)};
        return decodeFailure(outcome.result);
    }
    if (std::rename(QFile::encodeName(*scratch).constData(), QFile::encodeName(options.output).constData()) !=
        0) {
        QFile::remove(*scratch);
        return Failure{ExitCode::file, QStringLiteral("cannot write %1").arg(options.output)};
    }
    out.lines({QStringLiteral("Decoded %1 record(s) into %2").arg(outcome.count).arg(options.output)});
    out.set(QStringLiteral("records"), outcome.count);
    out.set(QStringLiteral("output"), options.output);
    return std::nullopt;
}

} // namespace lensdock::cli
