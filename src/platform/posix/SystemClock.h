#pragma once
#include "platform/Clock.h"

namespace nodo {

class SystemClock : public Clock {
public:
    LocalDateTime now() const override;
};

} // namespace nodo
