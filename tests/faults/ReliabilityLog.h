#pragma once

#include <QString>

// One case of the fault matrix as it went, appended as a JSON line to the file named by the
// environment variable LENSDOCK_RELIABILITY_ROWS (nothing is written without it).
// scripts/reliability-report turns the lines into docs/reliability.md.
struct ReliabilityRow {
    QString interface;
    QString operation;
    QString fault;
    QString expected;
    QString observed;
    bool passed = false;
};

namespace ReliabilityLog {
void append(const ReliabilityRow& row);
} // namespace ReliabilityLog
