// Keeping pass phrases and keys out of core dumps and out of reach of other processes of the same user.
#include "crypto/kx.h"

#include <sys/prctl.h>
#include <sys/resource.h>

bool KX_guard_process() {
    // Not dumpable: no core file, no ptrace attach by the same user, /proc/PID/mem and environ closed.
    bool ok = ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    // A core limit of 0 as well, in case something makes the process dumpable again (an exec, a setuid).
    rlimit none{0, 0};
    ok = ::setrlimit(RLIMIT_CORE, &none) == 0 && ok;
    return KX_watch_allocations() && ok;
}
