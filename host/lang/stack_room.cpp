#include "host/lang/stack_room.h"

#include <pthread.h>

#include <algorithm>
#include <cstdint>

namespace tarn::lang {
namespace {

struct StackBounds {
    std::uintptr_t low = 0;  ///< lowest usable address (the stack grows down to it)
    std::size_t reserve = 0;
};

StackBounds lookUpBounds() {
    StackBounds b;
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return b;
    void* addr = nullptr;
    std::size_t size = 0;
    if (pthread_attr_getstack(&attr, &addr, &size) == 0 && addr && size > 0) {
        b.low = reinterpret_cast<std::uintptr_t>(addr);
        b.reserve = std::min(kStackReserve, size / 4);
    }
    pthread_attr_destroy(&attr);
    return b;
}

}  // namespace

bool stackNearlyFull() {
    thread_local const StackBounds bounds = lookUpBounds();
    if (bounds.low == 0) return false;  // bounds unknown: rely on the counted limits alone
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    return here < bounds.low + bounds.reserve;
}

}  // namespace tarn::lang
