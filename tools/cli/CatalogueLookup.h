#pragma once

#include "context/AppContext.h"
#include "ExitCode.h"
#include "online/FileIO.h"

#include <chrono>
#include <functional>
#include <optional>

namespace lensdock::cli {

// Fetches and parses the catalogues of the download host, waiting (bounded) for each download while
// the main thread's event loop runs. A lens catalogue that arrives is kept as the local copy, as the
// desktop program keeps it.
class CatalogueLookup {
public:
    template <typename Record> struct Outcome {
        std::optional<Record> record;
        std::optional<Failure> failure; // set exactly when `record` is not
    };

    // Downloads through the context's download service, each bounded by its file time-out; `store`
    // keeps the local copies of lens catalogues.
    CatalogueLookup(AppContext& context, FileIO store);

    // Nothing when the host's name resolves; otherwise the network failure.
    std::optional<Failure> checkReachable() const;

    Outcome<AdapterModelInfo> adapterCatalogue();
    // `allowLocalCopy`: when the download fails, the copy kept from an earlier download will do.
    Outcome<LensModelInfo> lensCatalogue(const LensInfo& lens, int mountInfo, bool allowLocalCopy);

private:
    std::optional<QByteArray> fetch(NetworkFileType type, const std::function<bool()>& start,
                                    Failure& failure);

    NetworkInterface& network_;
    const std::chrono::milliseconds bound_;
    const FileIO store_;
};

} // namespace lensdock::cli
