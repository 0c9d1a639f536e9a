// What the one run of the helper service came to, as the installation run
// reports it. No Windows headers: the run's logic is tested natively.
#ifndef QV_INSTALL_HELPERRUN_H
#define QV_INSTALL_HELPERRUN_H

#include <cstdint>

// How the run of the helper service is timed. The wizard gives the service
// a second to come up and a second to finish, as it always has; an
// unattended run waits for what those seconds stand for, as the service
// reports it (each wait bounded).
enum class HelperPacing {
    FixedWaits,  // one second after the start and one after the stop
    AsReported,  // until it runs, and after the stop until it has stopped
};

struct HelperRunResult {
    // The first step that failed; None when every step went through.
    enum class Step { None, Install, Start, Stop, Remove };
    Step failed = Step::None;
    std::uint32_t error = 0;  // the system's error code of that step

    bool Ran() const { return failed == Step::None; }
};

#endif
