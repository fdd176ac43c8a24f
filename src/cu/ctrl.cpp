#include "cu/ctrl.h"

std::atomic<int> interrupted{0};

// The flag is also touched from a signal handler.
static_assert(std::atomic<int>::is_always_lock_free);

bool first_control_event()
{
    int none = 0;
    return interrupted.compare_exchange_strong(none, 1);
}

void end_of_run_handshake()
{
    if (interrupted.load() != 0) {
        interrupted.store(2);
        discard_injected_input();
    }
}

store_section::store_section()
{
    hold_control_events();
}

store_section::~store_section()
{
    release_control_events();
}
