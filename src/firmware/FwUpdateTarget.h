#pragma once

namespace lensdock {

// Device a firmware update is meant for.
enum class FwUpdateTarget : int {
    lens = 0,
    adapter = 1,
};

} // namespace lensdock
