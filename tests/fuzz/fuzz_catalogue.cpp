// The catalogue parser on arbitrary documents.
#include "online/ModelInfoParser.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray xml(reinterpret_cast<const char*>(data), qsizetype(size));
    lensdock::ModelInfoParseOptions options;
    options.lensKind = size > 0 ? data[0] % 3 : 0;
    lensdock::ModelInfoParser::parseLensModelsInfo(xml, lensdock::LensModelInfo(), options);
    lensdock::ModelInfoParser::parseAdapterModelsInfo(xml, lensdock::AdapterModelInfo(), options);
    return 0;
}
