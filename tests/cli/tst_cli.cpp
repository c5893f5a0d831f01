// lensdock-cli, the built executable, end to end against the dock emulator on a pty and a local
// download host. A row is a command line, the exit status it must end with and what its output must
// hold; every run also keeps the rules all commands share: one error line on failure and no other
// output unless named, nothing left in TMPDIR, the lens released, a backup of what a write replaced,
// firmware installed only where a version changed.
#include "adjust/AdjustDataFile.h"
#include "adjust/AdjustPayload.h"
#include "CliProcess.h"
#include "FirmwarePacker.h"
#include "link/CommandSet.h"
#include "LocalDownloadHost.h"

#include <csignal>
#include <functional>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

using namespace lensdock;

namespace {
constexpr int boundMs = 30000;
const QString offline = QStringLiteral("http://127.0.0.1:9"); // a closed port: lookups go on without it
const QByteArray key = "00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978";
const QByteArray otherKey = "ff112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978";
// Settings for the emulator's zoom lens (A036) unlike its factory values; -30 is its lowest focus value.
const QByteArray customFile = "ZOLAD,20260101120000,A036,0100,5,-3,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,"
                              "-30,1,3,1,8,2,0,5,1,1";
const QString adapterCataloguePath = QStringLiteral("zolen/adapter/zoleninfo.xml");
const QString lensCataloguePath = QStringLiteral("zolen/lens/lensinfo_A036E0.xml");
const QString adapterFirmwarePath = QStringLiteral("zolen/adapter/QB117_0201.vfwf");
const QString lensFirmwarePath = QStringLiteral("zolen/lens/A036E0_0200.vfwf");

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(content) == content.size();
}

using Files = QMap<QString, QByteArray>;

// Every file under `folder`, by its path there.
Files contentsOf(const QString& folder) {
    Files found;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        found.insert(QDir(folder).relativeFilePath(path), readFile(path));
    }
    return found;
}

FirmwareRecord firmware(bool adapter, const QString& version, int size = 3000) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 7 + 3) & 0xFF);
    return {quint8(adapter ? 0x01 : 0x00), quint8(adapter ? 0x00 : 0x01), version, data};
}

QByteArray packed(const FirmwareRecord& record) {
    return FirmwarePacker::pack({record}, QString::fromLatin1(key)).bytes;
}

QByteArray adapterCatalogue(const QByteArray& latest, const QByteArray& withKey = key) {
    return "<zoleninfo>2026/01/01 00:00:00," + latest + "," + withKey + "</zoleninfo>";
}

QByteArray lensCatalogue(const QByteArray& latest, const QByteArray& model = "A036") {
    return "<lensinfo>2026/01/01 00:00:00," + model + ",Test Zoom 28-300," + latest +
           ",true,true,true,true,8,3,28,35,50,70,100,135,200,300,30,-30,2,10,0,9,2,7," + key + "</lensinfo>";
}

// `files` with `changes` made; a null content removes the file.
Files changed(Files files, const Files& changes) {
    for (auto it = changes.begin(); it != changes.end(); ++it)
        it.value().isNull() ? void(files.remove(it.key())) : void(files.insert(it.key(), it.value()));
    return files;
}

// The catalogues offering these versions; one without a version is left out.
Files catalogues(const QByteArray& adapter, const QByteArray& lens) {
    return changed({}, {{adapterCataloguePath, adapter.isNull() ? adapter : adapterCatalogue(adapter)},
                        {lensCataloguePath, lens.isNull() ? lens : lensCatalogue(lens)}});
}

// A download host for the adapter and one lens model on one mount, offering adapter 0201 and lens 0200.
Files hostFiles(const QByteArray& model = "A036", const QByteArray& suffix = "E0",
                const QByteArray& adapterKey = key) {
    const QByteArray lens = "zolen/lens/";
    return {{adapterCataloguePath, adapterCatalogue("0201", adapterKey)},
            {adapterFirmwarePath, packed(firmware(true, "0201"))},
            {lens + "lensinfo_" + model + suffix + ".xml", lensCatalogue("0200", model)},
            {lens + "lensimage_" + model + suffix + ".png", "lens picture " + model},
            {lens + "focusadjustment_" + model + ".png", "focus adjustment picture"},
            {lens + "focuslimit_" + model + ".png", "focus limit picture"},
            {lens + model + suffix + "_0200.vfwf", packed(firmware(false, "0200"))}};
}

// A JSON object as "key.key=value" lines, array elements by their index.
void flatten(const QJsonValue& value, const QString& path, QStringList& lines) {
    const QString prefix = path.isEmpty() ? path : path + QLatin1Char('.');
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it)
        flatten(it.value(), prefix + it.key(), lines);
    for (qsizetype i = 0; i < value.toArray().size(); ++i)
        flatten(value.toArray().at(i), prefix + QString::number(i), lines);
    if (!value.isObject() && !value.isArray())
        lines << path + '=' + (value.isNull() ? QStringLiteral("null") : value.toVariant().toString());
}

// `expected` holds fragments of standard output (its JSON object flattened), "err:" ones of standard
// error, and "!" ones that must not be there.
void expectOutput(const CliResult& result, int exitCode, const QStringList& expected) {
    QVERIFY2(result.finished, "the tool did not end within its bound");
    QVERIFY2(result.exitCode == exitCode,
             qPrintable(QStringLiteral("exit %1: %2").arg(result.exitCode).arg(result.errText())));
    const QJsonDocument json = QJsonDocument::fromJson(result.out);
    QStringList lines;
    flatten(json.object(), {}, lines);
    const QString out = json.isObject() ? lines.join(QLatin1Char('\n')) : result.outText();
    bool outNamed = false, errNamed = false;
    for (QString fragment : expected) {
        const bool absent = fragment.startsWith(QLatin1Char('!'));
        const bool onErr = fragment.remove(QRegularExpression(QStringLiteral("^!"))).startsWith("err:");
        (onErr ? errNamed : outNamed) |= !absent;
        const QString text = onErr ? result.errText() : out;
        QVERIFY2(text.contains(fragment.mid(onErr ? 4 : 0)) != absent,
                 qPrintable(fragment + " in:\n" + text));
    }
    // Every error is one line on standard error; results alone go to standard output.
    if (exitCode == 0 && !errNamed)
        QCOMPARE(result.errText(), QString());
    if (exitCode != 0 && !outNamed)
        QCOMPARE(result.outText(), QString());
    if (exitCode != 0)
        QCOMPARE(result.errorLines().filter(QRegularExpression(QStringLiteral("^lensdock-cli: "))).size(), 1);
}

// The dock: none, the zoom lens at its factory settings or with others, without a lens, not answering
// (a request and its three resends lost), or running the firmware the host offers.
enum class Dock { none, lens, custom, noLens, silent, current };
// Done while the tool runs (once `once` is on standard output), before `input` goes in.
enum class Act { none, mountLens, unplug, unmountLens, terminate };

struct Row {
    QString name{};
    QString args{}; // split at spaces; {dir}: a scratch folder holding custom.vlad, {root}: the host's folder
    int exit = 0;
    QStringList says{}; // fragments of the output, as expectOutput() takes them
    Dock dock = Dock::lens;
    Files host{};  // served by a local download host when not empty
    Files files{}; // written into {dir}
    QByteArray input{};
    Act act = Act::none;
    QByteArray once{};              // on standard output before `act`
    bool factory = false;           // the lens holds its factory settings after the run, else what it held
    QString firmware = "0123/0100"; // of the adapter and the lens after the run
    QStringList env{};
    std::function<void(const QString& dir, const QString& home)> also{}; // further checks
};

std::function<void(const QString&, const QString&)> kitHolds(const Files& files) {
    return [files](const QString& dir, const QString&) {
        QCOMPARE(contentsOf(dir + QStringLiteral("/kit")), files);
    };
}

std::function<void(const QString&, const QString&)> decodedInto(const QByteArray& output,
                                                                const QStringList& files) {
    return [output, files](const QString& dir, const QString&) {
        QCOMPARE(contentsOf(dir).value(QStringLiteral("fw.dec")), output);
        QCOMPARE(contentsOf(dir).keys(), files);
    };
}

QList<Row> rows() {
    using enum Dock;
    const Files decodeFiles{{"fw.vfwf", packed(firmware(false, "0200", 2500))}, {"fw.dec", "previous"}};
    const QStringList decoded{"custom.vlad", "fw.dec", "fw.vfwf"};
    const QString decode = "decode {dir}/fw.vfwf --output {dir}/fw.dec --key ";
    const QString apply = "apply {dir}/custom.vlad";
    QByteArray otherModel = customFile, notANumber = customFile;
    otherModel.replace("A036", "B000");
    notANumber.replace(",-30,", ",x,");
    const QStringList damaged{
        "err:lensdock-cli: the firmware could not be decoded: wrong key or damaged file (code -3)\n",
        "Decoding\n", "!Sending"};
    const Files truncated =
        changed(hostFiles(), {{lensFirmwarePath, packed(firmware(false, "0200")).chopped(1500)}});
    const QStringList factorySettings{
        "settings.focusAdjustment.close.7=", "!settings.focusAdjustment.close.8=", "settings.limiter2.near=2",
        "settings.limiter2.far=7",           "settings.limiter2.mode=segment",     "settings.vcMode=2"};
    const QStringList noLensYet{"err:no lens mounted within 0.3 s"};
    // clang-format off
    QList<Row> rows{
        {"--help", "--help", 0, {"Exit status:"}, none},
        {"read --help", "read --help", 0, {"read [--output FILE.vlad]"}, none},
        {"--version", "--version", 0, {"lensdock-cli " LENSDOCK_EXPECTED_VERSION "\n"}, none},
        {"usage error in JSON", "--json apply", 2,
         {"err:lensdock-cli: apply: missing argument (see lensdock-cli help apply)\n"}, none},
        {"no dock", "--port {dir}/absent --json info", 3, {"err:no dock", "exitCode=3", "ok=false"},
         none},
        // The demo brings its own dock, the zoom lens as it leaves the factory, and leaves nothing behind.
        {.name = "demo", .args = "--demo --json read", .says = factorySettings, .dock = none,
         .also = [](const QString&, const QString& home) { QVERIFY(QDir(home).isEmpty()); }},
        {.name = "demo backup", .args = "--demo --yes factory-reset", .says = {"backed up in", "only until it ends"},
         .dock = none},
        // The device commands.
        {"info", "info", 0,
         {"0123", "Canon", "A036", "EMU0000000000001", "0100", "28, 35, 50, 70, 100", "![Thread]"}},
        {"info, verbose", "--verbose info", 0, {"err:[Thread] Change appState: 255", "![Thread]"}},
        {"info in JSON", "--json info", 0, {"adapter.firmwareVersion=0123", "adapter.mountInfo=1",
         "adapter.hardwareVersion=01", "adapter.communicationVersion=0100", "lens.modelCode=A036",
         "lens.serialNumber=EMU0000000000001", "lens.zoomCount=8", "lens.focusLimitDivisions=10",
         "lens.name=null"}},
        {"read in JSON", "--json read", 0, factorySettings},
        {"unwritable output", "read --output {dir}/no/such/folder/x.vlad", 7, {"err:cannot save"}},
        {"dry run in JSON", "--json --dry-run " + apply, 0, {"changes.0.setting=focus.close.1",
         "changes.3.setting=focus.infinity.8", "changes.4.setting=fullTimeManual.level",
         "changes.11.setting=vcMode", "!changes.12", "written=false"}},
        {"dry run", apply + " --dry-run", 0, {"VC mode: 2 -> 1"}},
        {"other model", "--yes apply {dir}/a.vlad", 7, {"err:B000"}, lens, {}, {{"a.vlad", otherModel}}},
        {"36 elements", "--yes apply {dir}/a.vlad", 7, {"err:not a valid adjust-data file"}, lens, {},
         {{"a.vlad", customFile.chopped(2)}}},
        {"not a number", "--yes apply {dir}/a.vlad", 7, {"err:not a whole number"}, lens, {},
         {{"a.vlad", notANumber}}},
        {"trailing line break", "--yes apply {dir}/a.vlad", 7, {"err:not a whole number"}, lens, {},
         {{"a.vlad", customFile + '\n'}}},
        {"wrong extension", "--yes apply {dir}/a.txt", 7, {"err:not an adjust-data file"}, lens, {},
         {{"a.txt", customFile}}},
        {"missing file", "apply {dir}/absent.vlad", 7, {"err:cannot read"}},
        {"no dock answer", "info", 5, {"err:dock did not identify itself"}, silent},
        {"no lens: info", "--wait 0.3 info", 4, noLensYet, noLens},
        {"no lens: factory-reset", "--wait 0.3 --yes factory-reset", 4, noLensYet, noLens},
        {"lens mounted while waiting", "--wait 20 info", 0, {"A036"}, noLens, {}, {}, {}, Act::mountLens},
        // What comes while the confirmation waits.
        {"unplugged at the prompt", apply, 3, {"err:dock was unplugged", "Changes"}, lens, {}, {}, "y\n",
         Act::unplug, "Changes"},
        {"lens removed at the prompt", apply, 4, {"err:lens stopped answering", "Changes"}, lens, {}, {},
         "y\n", Act::unmountLens, "Changes"},
        // The download host and its failures.
        {"check-update in text", "check-update", 0, {"Dock firmware 0123, latest 0200: update available",
         "Lens firmware 0100, latest 0100: up to date"}, lens, catalogues("0200", "0100")},
        {"check-update dock without lens", "--json check-update dock", 0,
         {"adapter.latest=0200", "!lens."}, noLens, catalogues("0200", {})},
        {"check-update without lens", "--wait 0.2 check-update", 4, {}, noLens, catalogues("0200", {})},
        {"host down", "check-update", 8, {"err:dock catalogue download failed"}},
        {"no dock catalogue", "check-update", 8, {"err:dock catalogue download failed"}, lens,
         catalogues({}, "0100")},
        {"no lens catalogue", "check-update", 8, {"err:lens catalogue download failed", "update available"},
         lens, catalogues("0200", {})},
        {"malformed lens catalogue", "check-update", 8, {"err:lens catalogue is malformed", "update"}, lens,
         changed(catalogues("0200", {}), {{lensCataloguePath, "<lensinfo>2026,A036,N,0200</lensinfo>"}})},
        // Updates: downloaded, decoded, sent; the lens's settings backed up first and, when asked, put back.
        {.name = "dock update without lens (its older name)", .args = "--yes update adapter", .says = {"Downloading\n",
         "Dock firmware 0123 -> 0201", "Decoding\n", "Sending\n", "progress 90%\nprogress 100%\n",
         "Dock firmware updated to 0201."}, .dock = noLens, .host = hostFiles(), .firmware = "0201/0100"},
        {.name = "a signal does not interrupt an update", .args = "--reset-wait-ms 1500 --yes update adapter",
         .says = {"err:not interrupted"}, .host = hostFiles(), .act = Act::terminate, .once = "Sending",
         .firmware = "0201/0100"},
        {.name = "lens update in JSON", .args = "--yes --json update lens",
         .says = {"updated=true", "from=0100", "version=0200", "!settingsKept"}, .dock = custom,
         .host = hostFiles(), .factory = true, .firmware = "0123/0200"},
        {.name = "lens update keeping the settings", .args = "--yes --json update lens --keep-settings",
         .says = {"settingsKept=true"}, .dock = custom, .host = hostFiles(), .firmware = "0123/0200"},
        {"update: wrong key", "--yes update adapter", 9, damaged, lens,
         changed(hostFiles(), {{adapterCataloguePath, adapterCatalogue("0201", otherKey)}})},
        {"update: malformed key", "--yes update adapter", 9, {"err:invalid key", "Decoding\n", "!Sending"},
         lens, changed(hostFiles(), {{adapterCataloguePath, adapterCatalogue("0201", "xyz")}})},
        {.name = "update: version mismatch", .args = "--yes update adapter", .exit = 9,
         .says = {"err:does not report version 0201", "progress 100%"},
         .host = changed(hostFiles(), {{adapterFirmwarePath, packed(firmware(true, "0202"))}}),
         .firmware = "0202/0100"},
        {"update: up to date", "--yes update adapter", 0, {"up to date"}, lens, catalogues("0150", "0100")},
        {"update declined", "update adapter", 10, {"err:cancelled", "0123 -> 0201", "!Downloading"}, lens,
         hostFiles(), {}, "n\n"},
        // A damaged firmware file fails alike over HTTP and from a folder.
        {"truncated firmware over HTTP", "--yes update lens", 9, damaged, lens, truncated},
        {"truncated firmware from a folder", "--download-url file://{root} --yes update lens", 9, damaged,
         lens, truncated},
        // Update kits: the host's layout, every firmware checked, none a device already runs. A kit
        // updates from its folder as from the host.
        {.name = "kit", .args = "kit {dir}/kit", .says = {"7 files", "Wrote " + lensFirmwarePath},
         .host = hostFiles(), .also = kitHolds(hostFiles())},
        {.name = "lens update from a folder", .args = "--download-url file://{root} --yes update lens",
         .says = {"Lens firmware updated to 0200."}, .host = hostFiles(), .factory = true,
         .firmware = "0123/0200"},
        {.name = "kit for another mount", .args = "kit {dir}/kit --for B100 --mount nikon",
         .says = {"Wrote zolen/lens/B100N0_0200.vfwf", "7 files"}, .dock = noLens,
         .host = hostFiles("B100", "N0"), .also = kitHolds(hostFiles("B100", "N0"))},
        {.name = "kit leaving out the firmware the devices run", .args = "kit {dir}/kit",
         .says = {"Left out " + adapterFirmwarePath, "Left out " + lensFirmwarePath, "5 files"},
         .dock = current, .host = hostFiles(), .firmware = "0201/0200",
         .also = kitHolds(changed(hostFiles(), {{adapterFirmwarePath, {}}, {lensFirmwarePath, {}}}))},
        {.name = "kit with firmware failing its check", .args = "kit {dir}/kit", .exit = 9,
         .says = {"err:does not decipher"}, .host = hostFiles("A036", "E0", otherKey), .also = kitHolds({})},
        // The download host named by the settings file comes before the environment's.
        {.name = "download host from the settings", .args = "--verbose --port {dir}/none info", .exit = 3,
         .says = {"err:Download host https://settings.test (from the settings file "}, .dock = none,
         .files = {{"config/lensdock/lensdock.conf", "[General]\ndownloadUrl=https://settings.test\n"}},
         .env = {"XDG_CONFIG_HOME={dir}/config", "LENSDOCK_DOWNLOAD_URL=https://environment.test"}},
        {.name = "download host from the environment", .args = "--verbose --port {dir}/none info", .exit = 3,
         .says = {"err:Download host file:///srv/kit (from the environment variable LENSDOCK_DOWNLOAD_URL)"},
         .dock = none, .env = {"LENSDOCK_DOWNLOAD_URL=file:///srv/kit"}},
        // Decoding offline replaces its output only on success, and leaves no scratch file beside it.
        {.name = "decode", .args = decode + key, .says = {"Decoded 1 record(s)"}, .dock = none,
         .files = decodeFiles,
         .also = decodedInto(FirmwarePacker::plainImage({firmware(false, "0200", 2500)}).bytes, decoded)},
        {.name = "decode with a wrong key", .args = decode + otherKey, .exit = 9, .says = {"err:key"},
         .dock = none, .files = decodeFiles, .also = decodedInto("previous", decoded)},
        {.name = "decode with a malformed key", .args = decode + "12", .exit = 9,
         .says = {"err:invalid decode key"}, .dock = none, .files = decodeFiles,
         .also = decodedInto("previous", decoded)},
        {.name = "decode without input", .args = decode + key, .exit = 7, .says = {"err:cannot read"},
         .dock = none, .files = {{"fw.dec", "previous"}},
         .also = decodedInto("previous", {"custom.vlad", "fw.dec"})},
    };
    // check-update: only the first two digits count (the latest adapter and lens; whether each is new).
    for (const QString line : {"0200 0200 true true", "0123 0100 false false", "0199 0150 false false",
                                "0001 0009 false false", "200 200 false false", "0100 1000 false true"}) {
        const QStringList v = line.split(' ');
        rows << Row{"check-update " + line, "--json check-update", 0,
                    {"adapter.current=0123", "adapter.latest=" + v[0], "adapter.updateAvailable=" + v[2],
                     "lens.current=0100", "lens.latest=" + v[1], "lens.updateAvailable=" + v[3]},
                    Dock::lens, catalogues(v[0].toLatin1(), v[1].toLatin1())};
    }
    // The confirmation: "y" or "yes" in any case and spacing agrees; nothing is written otherwise.
    for (const auto& [answer, agreed] : std::initializer_list<std::pair<QByteArray, bool>>{
             {"n\n", false}, {"\n", false}, {{}, false}, {"yes please\n", false}, {"yes\n", true},
             {"YES\n", true}, {" y \n", true}})
        rows << Row{.name = "answer " + answer.toPercentEncoding(), .args = "--json factory-reset",
                    .exit = agreed ? 0 : 10,
                    .says = {"err:[y/N]", agreed ? "written=true" : "error=cancelled; nothing was written"},
                    .dock = custom, .input = answer, .factory = agreed};
    // Usage errors: one line naming the problem.
    for (const auto& [args, message] : std::initializer_list<std::pair<const char*, const char*>>{
             {"", "no command"}, {"erase", "unknown command"}, {"--colour info", "colour"},
             {"info extra", "unexpected argument"}, {"info --output x", "no --output"},
             {"read --dry-run", "no --dry-run"}, {"apply a.vlad --key 00", "no --key"},
             {"update", "missing argument"}, {"update camera", "unknown target \"camera\" (dock or lens)"},
             {"update adapter --keep-settings", "lens only"}, {"decode f.vfwf --output f.dec", "--key"},
             {"--wait soon info", "--wait"}, {"--wait -1 info", "--wait"},
             {"--thread-tick-ms 0 info", "--thread-tick-ms"}, {"--download-url ftp://x info", "http, https"},
             {"--download-url http://x/?q info", "query or fragment"}, {"info --for A036", "with kit only"},
             {"kit k --mount nikon", "with --for"}, {"kit k --for A036 --mount leica", "unknown mount"},
             {"kit k --for ../A036", "not a lens model"}, {"profile rename", "unknown action"},
             {"profile save", "needs a NAME"}, {"profile list x", "takes no NAME"},
             {"profile save x --dry-run", "no --dry-run"},
             {"--demo --port /dev/null read", "--demo"}})
        rows << Row{QStringLiteral("usage: %1").arg(args), args, 2, {QStringLiteral("err:") + message}, none};
    // Every command has its own help.
    for (const char* command : {"info", "read", "apply", "factory-reset", "check-update", "update", "backups",
                                "restore", "profile", "kit", "decode"})
        rows << Row{QStringLiteral("help %1").arg(command), QStringLiteral("help %1").arg(command), 0,
                    {QStringLiteral("Usage: lensdock-cli [OPTIONS] %1").arg(command), "Exit status"}, none};
    // clang-format on
    return rows;
}

const QList<Row>& table() {
    static const QList<Row> all = rows();
    return all;
}

// The backup file a run names holds what the lens held before it.
void expectBackupOf(const CliResult& result, const QByteArray& before, const LensInfo& lens) {
    const auto held = AdjustPayload::decode(before, lens);
    LensAdjustData saved;
    const QString backup = QJsonDocument::fromJson(result.out)["backup"].toString();
    QVERIFY(backup.isEmpty() ||
            (AdjustDataFile::loadFile(backup, saved).result == AdjustFileLoadResult::success && held &&
             saved.isSameSettings(*held, lens)));
}
} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < table().size(); ++i)
            QTest::newRow(qPrintable(table()[i].name)) << i;
    }

    void commandLine() {
        QFETCH(int, index);
        const Row& row = table()[index];
        QTemporaryDir dir, home, temporary;
        QVERIFY(writeFile(dir.filePath("custom.vlad"), customFile));
        for (auto it = row.files.begin(); it != row.files.end(); ++it)
            QVERIFY(writeFile(dir.filePath(it.key()), it.value()));
        LocalDownloadHost host;
        QString error;
        QVERIFY2(row.host.isEmpty() || host.start(&error), qPrintable(error));
        for (auto it = row.host.begin(); it != row.host.end(); ++it)
            host.put(it.key(), it.value());
        const auto filled = [&](QString text) {
            return text.replace("{dir}", dir.path()).replace("{root}", host.rootPath());
        };
        QStringList arguments = filled(row.args).split(QLatin1Char(' '), Qt::SkipEmptyParts);

        CliDock dock;
        if (row.dock == Dock::current) {
            dock.options.profile.adapter.fwVersion = QStringLiteral("0201");
            dock.options.profile.lens.firmwareVersion = QStringLiteral("0200");
        }
        dock.options.lensMounted = row.dock != Dock::noLens;
        QVERIFY(row.dock == Dock::none || dock.start());
        QByteArray factory;
        DockSnapshot before;
        if (row.dock != Dock::none) {
            factory = dock.emulator->snapshot().adjustBytes;
            arguments = dock.port() +
                        QStringList{"--download-url", row.host.isEmpty() ? offline : host.url(),
                                    "--reset-wait-ms", "100"} +
                        arguments;
            if (row.dock == Dock::silent)
                dock.emulator->armFault(FaultKind::dropReply, 4);
            LensAdjustData custom;
            custom.focusZoomClose[1] = 6;
            custom.vcMode = 2;
            if (row.dock == Dock::custom)
                dock.emulator->setLensSettings(AdjustPayload::encode(custom, dock.options.profile.lens));
            before = dock.emulator->snapshot();
        }

        CliProcess cli(home.path());
        cli.setEnvironment(QStringLiteral("TMPDIR"), temporary.path());
        for (const QString& variable : row.env)
            cli.setEnvironment(variable.section('=', 0, 0), filled(variable.section('=', 1)));
        cli.start(arguments);
        QVERIFY(row.once.isEmpty() || cli.waitForOutput(row.once, boundMs));
        if (row.act == Act::mountLens)
            dock.emulator->mountLens();
        if (row.act == Act::unmountLens)
            dock.emulator->unmountLens();
        if (row.act == Act::unplug)
            dock.emulator->unplug();
        QVERIFY(row.act != Act::unplug ||
                dock.emulator->waitForUnplugged(std::chrono::milliseconds(boundMs)));
        if (row.act == Act::terminate)
            cli.signal(SIGTERM);
        cli.write(row.input);
        const CliResult result = cli.finish();

        expectOutput(result, row.exit, row.says);
        QVERIFY(contentsOf(temporary.path()).isEmpty());
        if (row.dock != Dock::none) {
            const DockSnapshot after = dock.emulator->snapshot();
            QVERIFY2(!after.lensConnected, "the lens was not released");
            QCOMPARE(after.adjustBytes, row.factory ? factory : before.adjustBytes);
            QCOMPARE(after.adapter.fwVersion + '/' + after.lens.firmwareVersion, row.firmware);
            QCOMPARE(after.firmware.size(),
                     int(after.adapter.fwVersion != before.adapter.fwVersion) +
                         int(after.lens.firmwareVersion != before.lens.firmwareVersion));
            expectBackupOf(result, before.adjustBytes, after.lens);
        }
        if (row.also)
            row.also(dir.path(), home.path());
    }

    // One lens through its settings' life in one data home: named by the host's catalogue (kept for the
    // runs offline), read and saved, written, reset with a backup, restored from it, kept as a profile.
    void aLensThroughItsSettings() {
        QTemporaryDir home, dir;
        LocalDownloadHost host;
        QString error;
        QVERIFY2(host.start(&error), qPrintable(error));
        host.put(lensCataloguePath, lensCatalogue("0100"));
        CliDock dock;
        QVERIFY(dock.start() && writeFile(dir.filePath("custom.vlad"), customFile));
        const QByteArray factory = dock.emulator->snapshot().adjustBytes;
        CliResult last;
        const auto run = [&](const QStringList& arguments, int exitCode, const QStringList& expected,
                             const QString& url = offline) {
            last = CliProcess(home.path())
                       .run(dock.port() + QStringList{"--download-url", url, "--yes"} + arguments);
            expectOutput(last, exitCode, expected);
            QVERIFY2(!dock.emulator->snapshot().lensConnected, "the lens was not released");
        };
        const auto lensHolds = [&] { return dock.emulator->snapshot().adjustBytes; };

        run({"--json", "info"}, 0, {"lens.name=Test Zoom 28-300"}, host.url());
        run({"info"}, 0, {"Test Zoom 28-300"}); // offline: from the catalogue kept

        run({"read", "--output", dir.filePath("settings")}, 0, {"Saved to"}); // ".vlad" appended
        // 37 elements: the time it was saved, model, firmware, the factory values; no line break.
        const QString saved = readFile(dir.filePath("settings.vlad"));
        const QRegularExpression factoryFile("^ZOLAD,\\d{14},A036,0100,(-?\\d+,){24}1,2,0,9,1,2,7,2,2\\z");
        QVERIFY2(factoryFile.match(saved).hasMatch(), qPrintable(saved));

        run({"apply", dir.filePath("custom.vlad")}, 0, {"verified"});
        const QByteArray custom = lensHolds();
        run({"read", "--output", dir.filePath("back.vlad")}, 0, {});
        QCOMPARE(readFile(dir.filePath("back.vlad")).split(',').mid(2), customFile.split(',').mid(2));

        run({"--json", "factory-reset"}, 0, {"written=true"});
        QCOMPARE(lensHolds(), factory);
        const QString backup = QJsonDocument::fromJson(last.out)["backup"].toString();
        expectBackupOf(last, custom, dock.options.profile.lens);
        run({"--json", "backups"}, 0,
            {"backups.0.reason=factory", "backups.0.path=" + backup, "backups.1.", "!backups.2."});
        run({"restore", QFileInfo(backup).fileName()}, 0, {"backed up in"});
        QCOMPARE(lensHolds(), custom);
        run({"restore", "nothing-like-it"}, 7, {"err:no backup"});

        const QString profile = QStringLiteral("Body ../A");
        run({"profile", "save", profile}, 0, {});
        run({"factory-reset"}, 0, {});
        run({"factory-reset"}, 0,
            {"already holds these settings; they are written again", "Written and verified"});
        run({"--json", "profile", "list"}, 0,
            {"profiles.0.name=" + profile, "profiles.0.path=" + home.path(), "!profiles.1."});
        run({"profile", "apply", profile}, 0, {});
        QCOMPARE(lensHolds(), custom);
        run({"profile", "save", "body ../a"}, 7, {});
        run({"profile", "delete", profile}, 0, {});
        run({"profile", "apply", profile}, 7, {});
    }

    // While one run holds the adapter, another says so instead of claiming there is no adapter.
    // Interrupted while an answer is outstanding that will never come, the holder does not sit out the
    // watchdog (20 s here, with resends): it releases the lens and ends with the signal's status.
    void anInterruptedHolder_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("Ctrl-C") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }
    void anInterruptedHolder() {
        QFETCH(int, signal);
        QTemporaryDir home;
        CliDock dock;
        dock.options.lensMounted = false;
        QVERIFY(dock.start());
        CliProcess holder(home.path());
        const QStringList common = dock.port() + QStringList{"--download-url", offline};
        holder.start(common + QStringList{"--watchdog-tick-ms", "100", "--verbose", "--wait", "60", "info"});
        QVERIFY(holder.waitForError("Change appState: 3", boundMs)); // waiting for a lens
        expectOutput(
            CliProcess(home.path()).run(common + QStringList{"info"}), 3,
            {"err:in use by another program", "err:" + dock.options.linkPath, "err:lensdock-cli (PID "});

        constexpr int dropped = 1000;
        dock.emulator->armFault(FaultKind::dropReply, dropped);
        // Once a reply has been dropped, a request is outstanding for good.
        QTRY_VERIFY_WITH_TIMEOUT(dock.emulator->snapshot().faults[QStringLiteral("drop-reply")] < dropped,
                                 boundMs);
        holder.signal(signal);
        // The answer given up at once, not sat out; the lens released before the end.
        expectOutput(holder.finish(), 128 + signal,
                     {"err:[USB] Wait abandoned", "err:lensdock-cli: interrupted\n"});
        QCOMPARE(dock.emulator->snapshot().requests[FunctionNumber::reqLensDisconnect], 1);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
