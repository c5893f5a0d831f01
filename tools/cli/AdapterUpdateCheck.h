#pragma once

#include <QString>

namespace lensdock::cli {

// Whether the catalogue's adapter firmware `latest` should replace `current`. Both must be four
// bytes. An adapter reporting "ff" has no valid firmware and always needs one; otherwise the leading
// two digits decide. The desktop program compares the numbers only at its first identification after
// launch; every run of the tool is such a first identification.
bool isAdapterUpdateAvailable(const QString& current, const QString& latest);

} // namespace lensdock::cli
